#include "calendar/calendar_dlg.h"

#include "calendar/about_dlg.h"
#include "calendar/browser_site.h"
#include "calendar/calendar_app.h"
#include "calendar/calendar_messages.h"
#include "calendar/transparency.h"
#include "framework/handles.h"
#include "framework/win_app.h"
#include "skin/layered_window.h"
#include "suite_servers.h"
#include "tessaly_resource.h"

#include <new>

namespace {

constexpr char kCalendarPage[] = "http://" WXB_WEB_SERVER "/ToolsInterface/tessaly/tessalyinterface.html";
constexpr COLORREF kColourKey = RGB(255, 255, 0);

// Margins of the browser inside the skin, in pixels.
constexpr int kBrowserInsetX = 20;
constexpr int kBrowserInsetY = 25;

int ReadSetting(const char* key) {
    return static_cast<int>(::GetPrivateProfileIntA("setting", key, 0, (ModuleDirectory + "Tessaly.ini").c_str()));
}

}  // namespace

CCalendarDlg::CCalendarDlg(CWnd* pParentWnd)
    : CDialog(IDD_CALENDAR, pParentWnd), m_hIcon(::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDI_APP))) {}

void CCalendarDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_BROWSER, m_browser);
}

BOOL CCalendarDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    AddAboutItem();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    MakeLayered();

    BITMAP mask{};
    UniqueBitmap maskBitmap(::LoadBitmapA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDB_MAIN_MASK)));
    ::GetObjectA(maskBitmap.get(), sizeof mask, &mask);
    const int width = mask.bmWidth;
    const int height = mask.bmHeight;

    CreateHiddenLabel();
    // A popup without owner: (0, 0) is the screen's top-left corner.
    SetWindowPos(nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);

    m_strUrl = kCalendarPage;
    m_browser.SetWindowPos(nullptr, kBrowserInsetX, kBrowserInsetY, width - 2 * kBrowserInsetX,
                           height - 2 * kBrowserInsetY, SWP_NOZORDER | SWP_NOACTIVATE);
    m_browser.Navigate(m_strUrl);

    SendMessage(WM_CALENDAR_ZORDER, ReadSetting("MostTop") ? kZOrderTopMost : kZOrderNormal);
    const int nProgress = ReadSetting("progress");
    if (nProgress > 0)
        ApplyTransparency(nProgress);

    // The taskbar button's title.
    SetWindowText("日历");
    return TRUE;
}

// Enter must not end the calendar the way Escape does.
void CCalendarDlg::OnOK() {}

LRESULT CCalendarDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CUSTOM_CONTROL_SITE)
        return OnCustomControlSite(wParam, lParam);
    switch (message) {
    case WM_CALENDAR_ZORDER:
        OnSetZOrder(wParam);
        return 1;
    case WM_SYSCOMMAND:
        if (OnSysCommand(wParam))
            return 0;
        break;
    case WM_PAINT:
        if (::IsIconic(m_hWnd)) {
            OnPaint();
            return 0;
        }
        break;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(m_hIcon);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
        if (LRESULT brush = OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)))
            return brush;
        break;
    case WM_SIZE: {
        LRESULT result = CDialog::WindowProc(message, wParam, lParam);
        OnSize(LOWORD(lParam), HIWORD(lParam));
        return result;
    }
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

void CCalendarDlg::AddAboutItem() {
    HMENU hSysMenu = ::GetSystemMenu(m_hWnd, FALSE);
    char text[128] = "";
    if (!hSysMenu || !::LoadStringA(AfxGetInstanceHandle(), IDS_ABOUTBOX, text, sizeof text))
        return;
    ::AppendMenuA(hSysMenu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(hSysMenu, MF_STRING, IDM_ABOUTBOX, text);
}

// Pure yellow is see-through; the template has no layered bit, so flipping
// it sets it.
void CCalendarDlg::MakeLayered() {
    ::SetWindowLongA(m_hWnd, GWL_EXSTYLE, ::GetWindowLongA(m_hWnd, GWL_EXSTYLE) ^ WS_EX_LAYERED);
    SetLayeredAttributes(m_hWnd, kColourKey, 0, LWA_COLORKEY);
}

// Nothing reads or shows this label; it only follows the bottom-right corner.
void CCalendarDlg::CreateHiddenLabel() {
    RECT empty{0, 0, 0, 0};
    m_hiddenLabel.CreateEx(0, "STATIC", "2468", WS_CHILD | WS_VISIBLE | SS_CENTER, empty, m_hWnd,
                           IDC_HIDDEN_LABEL);
    m_hiddenLabel.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(GetFont()), FALSE);
    m_hiddenLabel.ShowWindow(SW_HIDE);
}

void CCalendarDlg::ApplyTransparency(int nProgress) {
    SetLayeredAttributes(m_hWnd, 0, static_cast<BYTE>(TransparencyAlpha(nProgress)), LWA_ALPHA);
}

void CCalendarDlg::OnSetZOrder(WPARAM nMode) {
    HWND hInsertAfter;
    if (nMode == kZOrderNormal)
        hInsertAfter = HWND_NOTOPMOST;
    else if (nMode == kZOrderTopMost)
        hInsertAfter = HWND_TOPMOST;
    else
        return;
    RECT rect;
    GetWindowRect(&rect);
    SetWindowPos(hInsertAfter, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, SWP_NOMOVE);
}

// Request kRequestSite: the browser gets the calendar's own site. No other
// request is answered, so the browser keeps its own context menu.
LRESULT CCalendarDlg::OnCustomControlSite(WPARAM nRequest, LPARAM lParam) {
    auto* request = reinterpret_cast<SiteRequest*>(lParam);
    if (nRequest != kRequestSite || !request || !request->pContainer)
        return 0;
    auto* app = static_cast<CCalendarApp*>(AfxGetApp());
    request->pSite = new (std::nothrow) CCustomControlSite(request->pContainer, app->m_pExternal.get());
    return 1;
}

bool CCalendarDlg::OnSysCommand(WPARAM nID) {
    if ((nID & 0xFFF0) != IDM_ABOUTBOX)
        return false;
    CAboutDlg about;
    about.DoModal();
    return true;
}

// Minimised: the icon, centred.
void CCalendarDlg::OnPaint() {
    PaintDC dc(m_hWnd);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.get()));
    RECT rect;
    GetClientRect(&rect);
    const int x = (rect.right - rect.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (rect.bottom - rect.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc.get(), x, y, m_hIcon);
}

// The hidden label has a see-through background; every other control gets
// the dialog's colours (0).
LRESULT CCalendarDlg::OnCtlColor(HDC hDC, HWND hControl) {
    if (::GetDlgCtrlID(hControl) != IDC_HIDDEN_LABEL)
        return 0;
    ::SetBkMode(hDC, TRANSPARENT);
    return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
}

void CCalendarDlg::OnSize(int cx, int cy) {
    if (m_hiddenLabel.m_hWnd)
        m_hiddenLabel.SetWindowPos(nullptr, cx - 100, cy - 20, 100, 20, SWP_NOZORDER | SWP_NOACTIVATE);
}
