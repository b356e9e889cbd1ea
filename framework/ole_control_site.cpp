#include "framework/ole_control_site.h"

#include "framework/ole_control_container.h"
#include "framework/wnd.h"

#include <olectl.h>

COleControlSite::COleControlSite(COleControlContainer* pCtrlCont) : m_pCtrlCont(pCtrlCont) {}

COleControlSite::~COleControlSite() = default;

HRESULT COleControlSite::CreateControl(REFCLSID clsid, int nID, const RECT& rect, DWORD style) {
    if (!m_pCtrlCont || m_pObject)
        return E_UNEXPECTED;
    m_nID = nID;
    m_rect = rect;
    HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, m_pObject.put_void());
    if (FAILED(hr))
        return hr;
    // The client site comes first: controls such as the WebBrowser read
    // their host's settings from it while they initialise.
    m_pObject->SetClientSite(this);
    ComPtr<IPersistStreamInit> persist;
    if (SUCCEEDED(m_pObject->QueryInterface(IID_IPersistStreamInit, persist.put_void())))
        persist->InitNew();
    hr = m_pObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, m_pCtrlCont->m_pWnd->m_hWnd, &m_rect);
    ComPtr<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(hr) && SUCCEEDED(m_pObject->QueryInterface(IID_IOleInPlaceObject, inPlace.put_void())))
        inPlace->GetWindow(&m_hWnd);
    if (FAILED(hr) || !m_hWnd) {
        DestroyControl();
        return FAILED(hr) ? hr : E_FAIL;
    }
    ::SetWindowLongPtrA(m_hWnd, GWLP_ID, nID);
    if (style & WS_TABSTOP)
        ::SetWindowLongA(m_hWnd, GWL_STYLE, ::GetWindowLongA(m_hWnd, GWL_STYLE) | WS_TABSTOP);
    if (!(style & WS_VISIBLE))
        ::ShowWindow(m_hWnd, SW_HIDE);
    return S_OK;
}

void COleControlSite::DestroyControl() {
    if (m_pWndCtrl) {
        m_pWndCtrl->m_pCtrlSite = nullptr;
        m_pWndCtrl = nullptr;
    }
    if (m_pObject) {
        m_pObject->Close(OLECLOSE_NOSAVE);
        m_pObject->SetClientSite(nullptr);
        m_pObject = ComPtr<IOleObject>();
    }
    m_hWnd = nullptr;
    m_pCtrlCont = nullptr;
}

void COleControlSite::BindWrapper(CWnd* pWnd) {
    pWnd->SubclassWindow(m_hWnd);
    pWnd->m_pCtrlSite = this;
    m_pWndCtrl = pWnd;
}

BOOL COleControlSite::SetWindowPos(HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT flags) {
    RECT rect = m_rect;
    if (!(flags & SWP_NOMOVE))
        ::OffsetRect(&rect, x - rect.left, y - rect.top);
    if (!(flags & SWP_NOSIZE)) {
        rect.right = rect.left + cx;
        rect.bottom = rect.top + cy;
    }
    if (!::EqualRect(&rect, &m_rect))
        MoveControl(rect);
    // Z-order, showing and hiding stay with the window itself.
    return ::SetWindowPos(m_hWnd, hWndInsertAfter, 0, 0, 0, 0, flags | SWP_NOMOVE | SWP_NOSIZE);
}

HRESULT COleControlSite::QueryControl(REFIID riid, void** ppv) {
    if (!m_pObject) {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    return m_pObject->QueryInterface(riid, ppv);
}

void COleControlSite::MoveControl(const RECT& rect) {
    m_rect = rect;
    ComPtr<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(QueryControl(IID_IOleInPlaceObject, inPlace.put_void())))
        inPlace->SetObjectRects(&m_rect, &m_rect);
}

// IUnknown

STDMETHODIMP COleControlSite::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite))
        *ppv = static_cast<IOleClientSite*>(this);
    else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite))
        *ppv = static_cast<IOleInPlaceSite*>(this);
    else if (IsEqualIID(riid, IID_IOleControlSite))
        *ppv = static_cast<IOleControlSite*>(this);
    else if (IsEqualIID(riid, IID_IDispatch))
        *ppv = static_cast<IDispatch*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) COleControlSite::AddRef() {
    return static_cast<ULONG>(::InterlockedIncrement(&m_cRef));
}

STDMETHODIMP_(ULONG) COleControlSite::Release() {
    LONG count = ::InterlockedDecrement(&m_cRef);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

// IOleClientSite

STDMETHODIMP COleControlSite::SaveObject() {
    return E_NOTIMPL;
}

STDMETHODIMP COleControlSite::GetMoniker(DWORD, DWORD, IMoniker** ppmk) {
    *ppmk = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP COleControlSite::GetContainer(IOleContainer** ppContainer) {
    *ppContainer = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP COleControlSite::ShowObject() {
    return S_OK;
}

STDMETHODIMP COleControlSite::OnShowWindow(BOOL) {
    return S_OK;
}

STDMETHODIMP COleControlSite::RequestNewObjectLayout() {
    return E_NOTIMPL;
}

// IOleWindow, IOleInPlaceSite

STDMETHODIMP COleControlSite::GetWindow(HWND* phwnd) {
    if (!phwnd)
        return E_POINTER;
    *phwnd = m_pCtrlCont ? m_pCtrlCont->m_pWnd->m_hWnd : nullptr;
    return *phwnd ? S_OK : E_FAIL;
}

STDMETHODIMP COleControlSite::ContextSensitiveHelp(BOOL) {
    return E_NOTIMPL;
}

STDMETHODIMP COleControlSite::CanInPlaceActivate() {
    return m_pCtrlCont ? S_OK : S_FALSE;
}

STDMETHODIMP COleControlSite::OnInPlaceActivate() {
    return S_OK;
}

STDMETHODIMP COleControlSite::OnUIActivate() {
    return S_OK;
}

STDMETHODIMP COleControlSite::GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc,
                                               LPRECT lprcPosRect, LPRECT lprcClipRect,
                                               LPOLEINPLACEFRAMEINFO lpFrameInfo) {
    if (!ppFrame || !ppDoc || !lprcPosRect || !lprcClipRect || !lpFrameInfo)
        return E_POINTER;
    *ppDoc = nullptr;
    *ppFrame = m_pCtrlCont;
    if (!m_pCtrlCont)
        return E_FAIL;
    m_pCtrlCont->AddRef();
    *lprcPosRect = m_rect;
    *lprcClipRect = m_rect;
    lpFrameInfo->fMDIApp = FALSE;
    lpFrameInfo->hwndFrame = m_pCtrlCont->m_pWnd->m_hWnd;
    lpFrameInfo->haccel = nullptr;
    lpFrameInfo->cAccelEntries = 0;
    return S_OK;
}

STDMETHODIMP COleControlSite::Scroll(SIZE) {
    return E_NOTIMPL;
}

STDMETHODIMP COleControlSite::OnUIDeactivate(BOOL) {
    return S_OK;
}

STDMETHODIMP COleControlSite::OnInPlaceDeactivate() {
    return S_OK;
}

STDMETHODIMP COleControlSite::DiscardUndoState() {
    return S_OK;
}

STDMETHODIMP COleControlSite::DeactivateAndUndo() {
    return S_OK;
}

STDMETHODIMP COleControlSite::OnPosRectChange(LPCRECT lprcPosRect) {
    if (!lprcPosRect)
        return E_POINTER;
    MoveControl(*lprcPosRect);
    return S_OK;
}

// IOleControlSite

STDMETHODIMP COleControlSite::OnControlInfoChanged() {
    return S_OK;
}

STDMETHODIMP COleControlSite::LockInPlaceActive(BOOL) {
    return S_OK;
}

STDMETHODIMP COleControlSite::GetExtendedControl(IDispatch** ppDisp) {
    *ppDisp = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP COleControlSite::TransformCoords(POINTL*, POINTF*, DWORD) {
    return E_NOTIMPL;
}

STDMETHODIMP COleControlSite::TranslateAccelerator(MSG*, DWORD) {
    return S_FALSE;
}

STDMETHODIMP COleControlSite::OnFocus(BOOL) {
    return S_OK;
}

STDMETHODIMP COleControlSite::ShowPropertyFrame() {
    return E_NOTIMPL;
}

// IDispatch

STDMETHODIMP COleControlSite::GetTypeInfoCount(UINT* pctinfo) {
    *pctinfo = 0;
    return S_OK;
}

STDMETHODIMP COleControlSite::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    *ppTInfo = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP COleControlSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

// The controls run for the user, not in a designer: user mode on, no
// hatching or grab handles, the container is alive.
STDMETHODIMP COleControlSite::Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS*,
                                     VARIANT* pVarResult, EXCEPINFO*, UINT*) {
    if (!(wFlags & DISPATCH_PROPERTYGET) || !pVarResult)
        return DISP_E_MEMBERNOTFOUND;
    VARIANT_BOOL value;
    switch (dispIdMember) {
    case DISPID_AMBIENT_USERMODE:
        value = VARIANT_TRUE;
        break;
    case DISPID_AMBIENT_UIDEAD:
    case DISPID_AMBIENT_SHOWHATCHING:
    case DISPID_AMBIENT_SHOWGRABHANDLES:
        value = VARIANT_FALSE;
        break;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
    ::VariantInit(pVarResult);
    pVarResult->vt = VT_BOOL;
    pVarResult->boolVal = value;
    return S_OK;
}
