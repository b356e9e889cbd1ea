#include "calendar/browser_site.h"

const UINT WM_CUSTOM_CONTROL_SITE = ::RegisterWindowMessageA("CustomControlSiteMsg");

bool SendUpWindowChain(HWND hWnd, WPARAM nRequest, void* pRequest) {
    const UINT message = ::RegisterWindowMessageA("CustomControlSiteMsg");
    for (; hWnd; hWnd = ::GetParent(hWnd)) {
        if (::SendMessageA(hWnd, message, nRequest, reinterpret_cast<LPARAM>(pRequest)))
            return true;
    }
    return false;
}

CCustomControlSite::CCustomControlSite(COleControlContainer* pCtrlCont, IDispatch* pExternal)
    : COleControlSite(pCtrlCont), m_pExternal(pExternal) {}

STDMETHODIMP CCustomControlSite::QueryInterface(REFIID riid, void** ppv) {
    if (ppv && IsEqualIID(riid, IID_IDocHostUIHandler)) {
        *ppv = static_cast<IDocHostUIHandler*>(this);
        AddRef();
        return S_OK;
    }
    return COleControlSite::QueryInterface(riid, ppv);
}

STDMETHODIMP_(ULONG) CCustomControlSite::AddRef() {
    return COleControlSite::AddRef();
}

STDMETHODIMP_(ULONG) CCustomControlSite::Release() {
    return COleControlSite::Release();
}

// The browser shows its own menu unless a window of the chain answers the
// request with another result.
STDMETHODIMP CCustomControlSite::ShowContextMenu(DWORD dwID, POINT* ppt, IUnknown* pcmdtReserved,
                                                 IDispatch* pdispReserved) {
    if (!pcmdtReserved)
        return S_FALSE;
    ComPtr<IOleWindow> window;
    if (FAILED(pcmdtReserved->QueryInterface(IID_IOleWindow, window.put_void())) || !window)
        return S_FALSE;
    HWND hWnd = nullptr;
    if (FAILED(window->GetWindow(&hWnd)) || !hWnd)
        return S_FALSE;
    ContextMenuRequest request{dwID, ppt, pcmdtReserved, pdispReserved, S_FALSE};
    return SendUpWindowChain(hWnd, kRequestContextMenu, &request) ? request.hrResult : S_FALSE;
}

STDMETHODIMP CCustomControlSite::GetHostInfo(DOCHOSTUIINFO* pInfo) {
    if (!pInfo)
        return E_POINTER;
    pInfo->dwFlags = DOCHOSTUIFLAG_NO3DBORDER;
    pInfo->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    return S_OK;
}

// The calendar window is the whole user interface: the browser adds none.
STDMETHODIMP CCustomControlSite::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                        IOleInPlaceUIWindow*) {
    return S_OK;
}

STDMETHODIMP CCustomControlSite::HideUI() {
    return S_OK;
}

STDMETHODIMP CCustomControlSite::UpdateUI() {
    return S_OK;
}

STDMETHODIMP CCustomControlSite::EnableModeless(BOOL) {
    return E_NOTIMPL;
}

STDMETHODIMP CCustomControlSite::OnDocWindowActivate(BOOL) {
    return E_NOTIMPL;
}

STDMETHODIMP CCustomControlSite::OnFrameWindowActivate(BOOL) {
    return E_NOTIMPL;
}

STDMETHODIMP CCustomControlSite::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) {
    return E_NOTIMPL;
}

// Not handled here: the browser processes every key itself.
STDMETHODIMP CCustomControlSite::TranslateAccelerator(LPMSG, const GUID*, DWORD) {
    return S_FALSE;
}

STDMETHODIMP CCustomControlSite::GetOptionKeyPath(LPOLESTR* pchKey, DWORD) {
    if (pchKey)
        *pchKey = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CCustomControlSite::GetDropTarget(IDropTarget*, IDropTarget** ppDropTarget) {
    if (ppDropTarget)
        *ppDropTarget = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CCustomControlSite::GetExternal(IDispatch** ppDispatch) {
    if (!ppDispatch)
        return E_POINTER;
    *ppDispatch = m_pExternal;
    if (m_pExternal)
        m_pExternal->AddRef();
    return S_OK;
}

STDMETHODIMP CCustomControlSite::TranslateUrl(DWORD, LPWSTR, LPWSTR* ppchURLOut) {
    if (ppchURLOut)
        *ppchURLOut = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CCustomControlSite::FilterDataObject(IDataObject*, IDataObject** ppDORet) {
    if (ppDORet)
        *ppDORet = nullptr;
    return E_NOTIMPL;
}
