#include "calendar/calendar_dlg.h"

#include "calendar/about_dlg.h"
#include "calendar/browser_site.h"
#include "calendar/calendar_app.h"
#include "calendar/calendar_messages.h"
#include "calendar/settings_file.h"
#include "framework/handles.h"
#include "framework/win_app.h"
#include "resources/tessaly_resource.h"
#include "skin/layered_window.h"
#include "skin/resource_bitmap.h"
#include "suite_servers.h"

#include <windowsx.h>

#include <new>

namespace {

constexpr char kCalendarPage[] = "http://" WXB_WEB_SERVER "/ToolsInterface/tessaly/tessalyinterface.html";
constexpr COLORREF kColourKey = RGB(255, 255, 0);

// Margins of the browser inside the skin, in pixels.
constexpr int kBrowserInsetX = 20;
constexpr int kBrowserInsetY = 25;

constexpr char kBlankPage[] = "about:blank";

// Timer 1 places the panel once the window stands; timer 2 is the hover
// test; timer 3 looks whether the date has changed; timer 4 ends the pause
// before the page is tried again.
constexpr UINT_PTR kPlacePanelTimer = 1;
constexpr UINT_PTR kHoverTimer = 2;
constexpr UINT_PTR kDateTimer = 3;
constexpr UINT_PTR kReloadTimer = 4;
constexpr UINT kHoverPeriodMs = 100;
// The panel also shows while the cursor is this far right of the window,
// over the panel itself.
constexpr int kHoverReachRight = 20;
// What the hidden title buttons report on a right-click.
constexpr int kCancelCommand = 133;
constexpr int kOKCommand = 135;
// The hidden Cancel button wears the close pictures the other way round from
// the panel: the plain one under the mouse, the lit one at rest.
constexpr UINT kCancelHoverPicture = IDB_CLOSE_NORMAL;
constexpr UINT kCancelNormalPicture = IDB_CLOSE_HOVER;
// Where a drag leaves the panel, from the window's top-right corner.
constexpr int kPanelDragOffsetX = 3;
constexpr int kPanelDragOffsetY = 2;
// A saved place is taken when at least this much of the window lies in the
// work area of a monitor, enough to grab it by.
constexpr int kLeastVisible = 32;

const TitleButtonPanelSkin kPanelSkin = {
    IDD_TITLE_PANEL,
    {IDOK, IDB_BUTTON_SHAPE, IDB_CLOSE_HOVER, IDB_CLOSE_NORMAL, "关闭", WM_CLOSE},
    {IDC_MINIMIZE, IDB_BUTTON_SHAPE, IDB_MINIMIZE_HOVER, IDB_MINIMIZE_NORMAL, "最小化", WM_PANEL_MINIMIZE},
    {IDC_SETTINGS, IDB_SETTINGS_BUTTON_SHAPE, IDB_SETTINGS_HOVER, IDB_SETTINGS_NORMAL, "设置",
     WM_PANEL_SETTINGS},
};

bool SameDate(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay;
}

}  // namespace

CCalendarDlg::CCalendarDlg(CWnd* pParentWnd)
    : CSkinDialog(IDD_CALENDAR, pParentWnd), m_hIcon(::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDI_APP))) {}

void CCalendarDlg::DoDataExchange(CDataExchange* pDX) {
    CSkinDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDOK, m_btnOK);
    DDX_Control(pDX, IDCANCEL, m_btnCancel);
    DDX_Control(pDX, IDC_BROWSER, m_browser);
}

BOOL CCalendarDlg::OnInitDialog() {
    SetShapeBitmapId(IDB_MAIN_MASK);
    CSkinDialog::OnInitDialog();
    AppendSystemMenuItem(IDS_ABOUTBOX, IDM_ABOUTBOX);
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    // Pure yellow is see-through.
    MakeWindowLayered(m_hWnd, kColourKey, 0, LWA_COLORKEY);
    SetTimer(kPlacePanelTimer, 1);
    SetTimer(kHoverTimer, kHoverPeriodMs);

    const SIZE mask = BitmapSize(LoadResourceBitmap(IDB_MAIN_MASK).get());
    const int width = mask.cx;
    const int height = mask.cy;

    CreateHiddenLabel();
    // A popup without owner: its place is in screen coordinates.
    const POINT place = StartingPlace(width, height);
    SetWindowPos(nullptr, place.x, place.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);

    m_strUrl = kCalendarPage;
    m_browser.SetWindowPos(nullptr, kBrowserInsetX, kBrowserInsetY, width - 2 * kBrowserInsetX,
                           height - 2 * kBrowserInsetY, SWP_NOZORDER | SWP_NOACTIVATE);
    m_pageEvents.Connect(m_browser, m_hWnd, m_strUrl);
    m_networkWatch.Start(m_hWnd);
    NavigatePage(false);
    CheckDate();

    m_btnCancel.SetSkin(kCancelHoverPicture, kCancelNormalPicture, kCancelCommand);
    m_btnOK.SetSkin(IDB_OK_HOVER, IDB_OK_NORMAL, kOKCommand);

    SendMessage(WM_CALENDAR_ZORDER, ReadSetting("MostTop") ? kZOrderTopMost : kZOrderNormal);
    CreateOwnedWindows();
    const int nProgress = ReadSetting("progress");
    if (nProgress > 0)
        m_pSettings->ApplyTransparency(nProgress);

    // The taskbar button's title.
    SetWindowText("日历");
    return TRUE;
}

// The panel beside the right edge, and the settings window, hidden until
// asked for; both belong to this window (the settings window through the
// application's main window).
void CCalendarDlg::CreateOwnedWindows() {
    m_pPanel = std::make_unique<CTitleButtonPanel>(kPanelSkin, this);
    m_pPanel->Create(kPanelSkin.nTemplateID, this);
    m_pPanel->ShowWindow(SW_SHOW);
    m_pSettings = std::make_unique<CSettingsDlg>();
    m_pSettings->Create(IDD_SETTINGS);
    m_pSettings->SetTargets(m_hWnd, m_pPanel->m_hWnd);
}

// OK (Enter) opens a second, modal settings window over this one. It has no
// panel to serve: its display mode takes effect at the next start.
void CCalendarDlg::OnOK() {
    CSettingsDlg settings;
    settings.DoModal();
}

LRESULT CCalendarDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CUSTOM_CONTROL_SITE)
        return OnCustomControlSite(wParam, lParam);
    switch (message) {
    case WM_CALENDAR_PAGE_FAILED:
        OnPageFailed(static_cast<long>(wParam));
        return 0;
    case WM_CALENDAR_PAGE_LOADED:
        m_reload.Loaded();
        return 0;
    case WM_CALENDAR_NETWORK_CHANGED:
        OnNetworkBack();
        return 0;
    case WM_TIMECHANGE:
        CheckDate();
        return 0;
    case WM_POWERBROADCAST:
        if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND)
            OnResume();
        return TRUE;
    case WM_DESTROY:
        // The control goes with the base class's handling.
        m_pageEvents.Disconnect();
        m_networkWatch.Stop();
        if (!::IsIconic(m_hWnd))
            SavePlace();
        break;
    case WM_CALENDAR_ZORDER:
        OnSetZOrder(wParam);
        return 1;
    case WM_PANEL_SETTINGS:
        OnShowSettings();
        return 1;
    case WM_PANEL_MINIMIZE:
        OnMinimize();
        return 1;
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_LBUTTONDOWN:
        OnLButtonDown(wParam, lParam);
        return 0;
    case WM_LBUTTONUP:
        if (m_pPanel)
            m_pPanel->ShowWindow(SW_SHOW);
        break;
    case WM_ERASEBKGND:
        OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
        return TRUE;
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
        LRESULT result = CSkinDialog::WindowProc(message, wParam, lParam);
        OnSize(LOWORD(lParam), HIWORD(lParam));
        return result;
    }
    }
    return CSkinDialog::WindowProc(message, wParam, lParam);
}

// Nothing reads or shows this label; it only follows the bottom-right corner.
void CCalendarDlg::CreateHiddenLabel() {
    RECT empty{0, 0, 0, 0};
    m_hiddenLabel.CreateEx(0, "STATIC", "2468", WS_CHILD | WS_VISIBLE | SS_CENTER, empty, m_hWnd,
                           IDC_HIDDEN_LABEL);
    m_hiddenLabel.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(GetFont()), FALSE);
    m_hiddenLabel.ShowWindow(SW_HIDE);
}

// Moves the panel without resizing it; it is also raised and activated.
void CCalendarDlg::MovePanel(int x, int y) {
    if (m_pPanel && m_pPanel->m_hWnd)
        m_pPanel->SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE);
}

// The saved place when enough of the window would show on a monitor that
// is there now; else the screen's top-left corner.
POINT CCalendarDlg::StartingPlace(int width, int height) const {
    const std::optional<int> left = FindSetting("Left");
    const std::optional<int> top = FindSetting("Top");
    if (!left || !top)
        return {0, 0};
    const RECT window{*left, *top, *left + width, *top + height};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    HMONITOR hMonitor = ::MonitorFromRect(&window, MONITOR_DEFAULTTONULL);
    RECT visible{};
    if (!hMonitor || !::GetMonitorInfoA(hMonitor, &monitor) ||
        !::IntersectRect(&visible, &window, &monitor.rcWork) ||
        visible.right - visible.left < kLeastVisible || visible.bottom - visible.top < kLeastVisible)
        return {0, 0};
    return {*left, *top};
}

void CCalendarDlg::SavePlace() {
    RECT rect;
    GetWindowRect(&rect);
    WriteSetting("Left", rect.left);
    WriteSetting("Top", rect.top);
}

// A retry keeps the pauses growing; every other navigation starts them over.
void CCalendarDlg::NavigatePage(bool bRetry) {
    KillTimer(kReloadTimer);
    m_reload.Started(bRetry);
    m_pageDate = LocalTime();
    m_browser.Navigate(m_strUrl);
}

// A failure that passes: a blank page until the next try, rather than what
// the browser showed last.
void CCalendarDlg::OnPageFailed(long nStatus) {
    const unsigned pauseMs = m_reload.Failed(nStatus);
    if (pauseMs == 0)
        return;
    m_browser.Navigate(kBlankPage);
    SetTimer(kReloadTimer, pauseMs);
}

void CCalendarDlg::OnNetworkBack() {
    if (m_reload.Waiting())
        NavigatePage(false);
}

// The page shows the date it was asked for on; on a new day it is asked
// for again.
void CCalendarDlg::CheckDate() {
    const SYSTEMTIME now = LocalTime();
    if (!SameDate(now, m_pageDate))
        NavigatePage(false);
    SetTimer(kDateTimer, MsUntilDateCheck(now.wHour, now.wMinute, now.wSecond, now.wMilliseconds));
}

// After a sleep the day may be another, and the network may be back.
void CCalendarDlg::OnResume() {
    CheckDate();
    OnNetworkBack();
}

SYSTEMTIME CCalendarDlg::LocalTime() const {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return now;
}

void CCalendarDlg::OnTimer(UINT_PTR nIDEvent) {
    switch (nIDEvent) {
    case kPlacePanelTimer:
        KillTimer(kPlacePanelTimer);
        GetWindowRect(&m_rcWindow);
        MovePanel(m_rcWindow.right, m_rcWindow.top);
        break;
    case kHoverTimer:
        OnHoverTest();
        break;
    case kDateTimer:
        CheckDate();
        break;
    case kReloadTimer:
        NavigatePage(true);
        break;
    }
}

// The panel shows while the cursor is over the window's last known
// rectangle, bounds included, or up to 20 pixels right of it.
void CCalendarDlg::OnHoverTest() {
    if (!m_pPanel)
        return;
    POINT cursor;
    ::GetCursorPos(&cursor);
    const bool over = cursor.x >= m_rcWindow.left && cursor.x <= m_rcWindow.right + kHoverReachRight &&
                      cursor.y >= m_rcWindow.top && cursor.y <= m_rcWindow.bottom;
    m_pPanel->ShowWindow(over ? SW_SHOW : SW_HIDE);
}

// A press on the skin drags the window; the panel hides meanwhile and is put
// back beside the new place.
void CCalendarDlg::OnLButtonDown(WPARAM keys, LPARAM point) {
    KillTimer(kHoverTimer);
    if (m_pPanel)
        m_pPanel->ShowWindow(SW_HIDE);
    POINT screen{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    ::ClientToScreen(m_hWnd, &screen);
    RECT before;
    GetWindowRect(&before);
    // The system's move loop runs inside this call until the button is up.
    SendMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(screen.x, screen.y));
    GetWindowRect(&m_rcWindow);
    if (!::EqualRect(&before, &m_rcWindow))
        SavePlace();
    if (m_pSettings && !m_pSettings->IsWindowVisible())
        SetTimer(kHoverTimer, kHoverPeriodMs);
    MovePanel(m_rcWindow.right + kPanelDragOffsetX, m_rcWindow.top + kPanelDragOffsetY);
    // The drag is over: a second caption click now would start a move loop
    // with the button already up (Wine's loop then follows the mouse until
    // the next click), so only the default handling remains.
    DefWindowProc(WM_LBUTTONDOWN, keys, point);
}

// The panel stays as it is until the next drag with the settings closed.
void CCalendarDlg::OnShowSettings() {
    KillTimer(kHoverTimer);
    if (!m_pSettings)
        return;
    m_pSettings->CenterWindow();
    if (!m_pSettings->IsWindowVisible())
        m_pSettings->ShowWindow(SW_SHOW);
}

void CCalendarDlg::OnMinimize() {
    KillTimer(kHoverTimer);
    ShowWindow(SW_MINIMIZE);
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

// The skin, copied 1:1 from the top-left corner.
void CCalendarDlg::OnEraseBkgnd(HDC hDC) {
    const UniqueBitmap skin = LoadResourceBitmap(IDB_MAIN_SKIN);
    RECT client;
    GetClientRect(&client);
    DrawSkinBitmap(hDC, skin.get(), client.left, client.top, client.right, client.bottom, 1);
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
