#include "framework/ole_control_container.h"

#include "framework/occ_manager.h"
#include "framework/ole_control_site.h"
#include "framework/wnd.h"

COleControlContainer::COleControlContainer(CWnd* pWnd) : m_pWnd(pWnd) {}

COleControlContainer::~COleControlContainer() {
    DestroyControls();
}

void COleControlContainer::CreateControls(const std::vector<OleControlItem>& items) {
    COccManager* manager = AfxGetOccManager();
    if (!manager || !m_pWnd)
        return;
    for (const OleControlItem& item : items) {
        ComPtr<COleControlSite> site;
        *site.put() = manager->CreateSite(this);
        if (!site)
            continue;
        RECT rect = item.rect;
        ::MapDialogRect(m_pWnd->m_hWnd, &rect);
        if (FAILED(site->CreateControl(item.clsid, item.nID, rect, item.style)))
            continue;
        // The ordinary items before it and the controls made so far precede it.
        PlaceInTabOrder(site->m_hWnd, item.nItemsBefore + static_cast<int>(m_sites.size()));
        m_sites.push_back(site);
    }
}

COleControlSite* COleControlContainer::FindSite(int nID) const {
    for (const ComPtr<COleControlSite>& site : m_sites) {
        if (site->m_nID == nID)
            return site.get();
    }
    return nullptr;
}

void COleControlContainer::DestroyControls() {
    m_pActiveObject = ComPtr<IOleInPlaceActiveObject>();
    for (const ComPtr<COleControlSite>& site : m_sites)
        site->DestroyControl();
    m_sites.clear();
    m_pWnd = nullptr;
}

BOOL COleControlContainer::PreTranslateInput(MSG* pMsg) {
    if (!m_pActiveObject || pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST)
        return FALSE;
    for (const ComPtr<COleControlSite>& site : m_sites) {
        if (pMsg->hwnd == site->m_hWnd || ::IsChild(site->m_hWnd, pMsg->hwnd))
            return m_pActiveObject->TranslateAccelerator(pMsg) == S_OK;
    }
    return FALSE;
}

// Tab order is the z-order of the dialog's children: the control goes
// after the first nPosition of them.
void COleControlContainer::PlaceInTabOrder(HWND hControl, int nPosition) {
    HWND hAfter = HWND_TOP;
    HWND hChild = ::GetWindow(m_pWnd->m_hWnd, GW_CHILD);
    for (int i = 0; i < nPosition && hChild; hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
        if (hChild == hControl)
            continue;
        hAfter = hChild;
        ++i;
    }
    ::SetWindowPos(hControl, hAfter, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// IUnknown

STDMETHODIMP COleControlContainer::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleWindow) ||
        IsEqualIID(riid, IID_IOleInPlaceUIWindow) || IsEqualIID(riid, IID_IOleInPlaceFrame)) {
        *ppv = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) COleControlContainer::AddRef() {
    return static_cast<ULONG>(::InterlockedIncrement(&m_cRef));
}

STDMETHODIMP_(ULONG) COleControlContainer::Release() {
    LONG count = ::InterlockedDecrement(&m_cRef);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

// IOleWindow

STDMETHODIMP COleControlContainer::GetWindow(HWND* phwnd) {
    if (!phwnd)
        return E_POINTER;
    *phwnd = m_pWnd ? m_pWnd->m_hWnd : nullptr;
    return *phwnd ? S_OK : E_FAIL;
}

STDMETHODIMP COleControlContainer::ContextSensitiveHelp(BOOL) {
    return E_NOTIMPL;
}

// IOleInPlaceUIWindow: a dialog has no toolbars to give room to.

STDMETHODIMP COleControlContainer::GetBorder(LPRECT) {
    return INPLACE_E_NOTOOLSPACE;
}

STDMETHODIMP COleControlContainer::RequestBorderSpace(LPCBORDERWIDTHS) {
    return INPLACE_E_NOTOOLSPACE;
}

STDMETHODIMP COleControlContainer::SetBorderSpace(LPCBORDERWIDTHS pborderwidths) {
    return pborderwidths ? INPLACE_E_NOTOOLSPACE : S_OK;
}

STDMETHODIMP COleControlContainer::SetActiveObject(IOleInPlaceActiveObject* pActiveObject, LPCOLESTR) {
    if (pActiveObject)
        pActiveObject->AddRef();
    *m_pActiveObject.put() = pActiveObject;
    return S_OK;
}

// IOleInPlaceFrame: no menus, no status bar.

STDMETHODIMP COleControlContainer::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) {
    return E_NOTIMPL;
}

STDMETHODIMP COleControlContainer::SetMenu(HMENU, HOLEMENU, HWND) {
    return S_OK;
}

STDMETHODIMP COleControlContainer::RemoveMenus(HMENU) {
    return E_NOTIMPL;
}

STDMETHODIMP COleControlContainer::SetStatusText(LPCOLESTR) {
    return S_OK;
}

STDMETHODIMP COleControlContainer::EnableModeless(BOOL) {
    return S_OK;
}

STDMETHODIMP COleControlContainer::TranslateAccelerator(LPMSG, WORD) {
    return S_FALSE;
}
