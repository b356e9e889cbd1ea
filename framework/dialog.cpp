#include "framework/dialog.h"

#include "framework/occ_manager.h"
#include "framework/ole_control_site.h"
#include "framework/win_app.h"

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

// Destroyed here rather than in ~CWnd, so that WM_DESTROY still reaches
// this class and its ActiveX controls close while the dialog is whole.
CDialog::~CDialog() {
    if (m_hWnd && m_bOwnsWindow)
        DestroyWindow();
}

INT_PTR CDialog::DoModal() {
    if (m_hWnd || !m_template.Load(AfxGetInstanceHandle(), m_nIDTemplate))
        return -1;
    HWND hOwner = OwnerWindow();
    const bool disableOwner = hOwner && ::IsWindowEnabled(hOwner);
    if (disableOwner)
        ::EnableWindow(hOwner, FALSE);

    m_bModal = true;
    m_bModalEnded = false;
    m_nModalResult = -1;
    if (CreateFromTemplate()) {
        if (!m_bModalEnded && !IsWindowVisible())
            ShowWindow(SW_SHOWNORMAL);
        while (!m_bModalEnded && AfxGetApp()->PumpMessage()) {
        }
    }

    // The owner is enabled again before the dialog goes, so that the system
    // hands activation back to it.
    if (disableOwner)
        ::EnableWindow(hOwner, TRUE);
    if (hOwner && m_hWnd && ::GetActiveWindow() == m_hWnd)
        ::SetActiveWindow(hOwner);
    DestroyWindow();
    m_bModal = false;
    return m_nModalResult;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    if (m_hWnd || !m_template.Load(AfxGetInstanceHandle(), m_nIDTemplate))
        return FALSE;
    return CreateFromTemplate() != nullptr;
}

void CDialog::EndDialog(int nResult) {
    if (!m_bModal) {
        ShowWindow(SW_HIDE);
        return;
    }
    m_nModalResult = nResult;
    m_bModalEnded = true;
    // Wakes the modal loop also when this runs inside a message sent from
    // another thread, which GetMessage handles without returning.
    PostMessage(WM_NULL);
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

COleControlSite* CDialog::GetControlSite(int nID) const {
    return m_pCtrlCont ? m_pCtrlCont->FindSite(nID) : nullptr;
}

void CDialog::AppendSystemMenuItem(UINT nIDString, UINT nIDCommand) {
    HMENU hSysMenu = ::GetSystemMenu(m_hWnd, FALSE);
    const std::string text = AfxLoadString(nIDString);
    if (!hSysMenu || text.empty())
        return;
    ::AppendMenuA(hSysMenu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(hSysMenu, MF_STRING, nIDCommand, text.c_str());
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    const bool input = (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST) ||
                       (pMsg->message >= WM_MOUSEFIRST && pMsg->message <= WM_MOUSELAST);
    if (!input || (pMsg->hwnd != m_hWnd && !::IsChild(m_hWnd, pMsg->hwnd)))
        return FALSE;
    // An ActiveX control sees its keys before the dialog keys do.
    if (m_pCtrlCont && m_pCtrlCont->PreTranslateInput(pMsg))
        return TRUE;
    return ::IsDialogMessageA(m_hWnd, pMsg);
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK() {
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY && m_pCtrlCont) {
        m_pCtrlCont->DestroyControls();
        m_pCtrlCont = ComPtr<COleControlContainer>();
    }
    // Menu and accelerator commands carry code 0, and so do button clicks
    // (BN_CLICKED): the dialog keys Enter and Escape arrive as either.
    if (message == WM_COMMAND && HIWORD(wParam) == 0) {
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            return 0;
        case IDCANCEL:
            OnCancel();
            return 0;
        }
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam) {
    // Every message after this one reaches the object through its subclass
    // (CWnd::Dispatch); the dialog procedure only attaches the object.
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    if (!dialog->SubclassWindow(hWnd))
        return FALSE;
    dialog->m_bOwnsWindow = true;
    return dialog->HandleInitDialog();
}

HWND CDialog::CreateFromTemplate() {
    return ::CreateDialogIndirectParamA(AfxGetInstanceHandle(), m_template.Get(), OwnerWindow(), DialogProc,
                                        reinterpret_cast<LPARAM>(this));
}

HWND CDialog::OwnerWindow() const {
    if (m_pParentWnd)
        return m_pParentWnd->m_hWnd;
    // Without a named owner a dialog belongs to the application's main window.
    CWnd* main = AfxGetMainWnd();
    return main && main != this ? main->m_hWnd : nullptr;
}

BOOL CDialog::HandleInitDialog() {
    RECT rectBefore;
    GetWindowRect(&rectBefore);
    if (AfxGetOccManager() && !m_template.OleItems().empty()) {
        *m_pCtrlCont.put() = new COleControlContainer(this);
        m_pCtrlCont->CreateControls(m_template.OleItems());
    }
    BOOL result = OnInitDialog();
    CenterIfUnplaced(rectBefore);
    return result;
}

// A dialog that starts hidden, was not shown or moved by its initialisation
// and has no enabled owner is centred, as users expect of a new dialog; a
// template with WS_VISIBLE keeps its own position.
void CDialog::CenterIfUnplaced(const RECT& rectBefore) {
    if ((m_template.Style() & WS_VISIBLE) || (GetStyle() & (WS_VISIBLE | WS_CHILD)))
        return;
    RECT rect;
    GetWindowRect(&rect);
    if (rect.left != rectBefore.left || rect.top != rectBefore.top)
        return;
    HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
    if (hOwner && ::IsWindowEnabled(hOwner))
        return;
    CenterWindow();
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (rControl.m_hWnd || rControl.m_pCtrlSite)
        return;
    if (COleControlSite* site = pDX->m_pDlgWnd->GetControlSite(nIDC))
        site->BindWrapper(&rControl);
    else
        rControl.SubclassDlgItem(static_cast<UINT>(nIDC), pDX->m_pDlgWnd);
}

void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value) {
    HWND hItem = pDX->m_pDlgWnd->GetDlgItem(nIDC);
    if (pDX->m_bSaveAndValidate) {
        value = WindowText(hItem);
    } else {
        ::SetWindowTextA(hItem, value.c_str());
    }
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value) {
    HWND hFirst = pDX->m_pDlgWnd->GetDlgItem(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = -1;
    int index = 0;
    for (HWND hItem = hFirst; hItem; hItem = ::GetWindow(hItem, GW_HWNDNEXT)) {
        if (hItem != hFirst && (::GetWindowLongA(hItem, GWL_STYLE) & WS_GROUP))
            break;
        if (!(::SendMessageA(hItem, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON))
            continue;
        if (pDX->m_bSaveAndValidate) {
            if (::SendMessageA(hItem, BM_GETCHECK, 0, 0) == BST_CHECKED)
                value = index;
        } else {
            ::SendMessageA(hItem, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        ++index;
    }
}
