#include "updater/update_dlg.h"

#include "framework/win_app.h"
#include "resources/update_resource.h"
#include "skin/resource_bitmap.h"
#include "suite_servers.h"
#include "updater/update_messages.h"
#include "updater/update_rules.h"

#include <windowsx.h>
#include <commctrl.h>

#include <cstdio>

namespace {

constexpr char kVersionStamp[] = "3524";
constexpr char kFullPackageUrl[] = "http://" WXB_DOWNLOAD_SERVER "/wxb/soft/wxbry5.zip";
constexpr int kWindowWidth = 342;
constexpr int kWindowHeight = 318;
// The painted title strip: a press this close to the top drags the window.
constexpr int kDragStripHeight = 30;
// 101 steps, so that the bar stays one step short of full at 100 %.
constexpr int kProgressRange = 101;
// Progress is redrawn at most this often (the final figures at once).
constexpr uint32_t kProgressIntervalMs = 50;
constexpr COLORREF kProgressTextBack = RGB(236, 250, 254);
constexpr COLORREF kProgressTextBrush = RGB(232, 249, 254);
// How long leaving waits for the worker to stop, so that the downloader
// closes its temporary file; past it the process ends under the worker.
constexpr DWORD kWorkerStopWait = 3000;
// Dialog base units of 宋体 9 pt, the font the skin is drawn for: at these
// the template's 228 × 212 units are the skin's 342 × 318 pixels.
constexpr int kSkinBaseUnitX = 6;
constexpr int kSkinBaseUnitY = 12;

// What the progress line says when a run stops short; a text with "%d"
// names the reason's code too.
struct StallText {
    int reason;
    UINT textId;
};
constexpr StallText kStallTexts[] = {
    {STALL_PACKAGE_IN_USE, IDS_PACKAGE_IN_USE},       {STALL_DOWNLOAD_FAILED, IDS_DOWNLOAD_FAILED},
    {STALL_PACKAGE_REJECTED, IDS_PACKAGE_REJECTED},   {STALL_INSTALLER_FAILED, IDS_INSTALLER_FAILED},
    {STALL_SIGNATURE_MISSING, IDS_SIGNATURE_MISSING}, {STALL_SIGNATURE_WRONG, IDS_SIGNATURE_WRONG},
    {STALL_PROXY_SIGN_IN, IDS_PROXY_SIGN_IN},
};
// Download results that say more than a code: the refusals over https.
constexpr StallText kDownloadResultTexts[] = {
    {DL_TLS_UNSUPPORTED, IDS_TLS_UNSUPPORTED}, {DL_CERT_UNTRUSTED, IDS_CERT_UNTRUSTED},
    {DL_CERT_WRONG_NAME, IDS_CERT_WRONG_NAME}, {DL_CERT_EXPIRED, IDS_CERT_EXPIRED},
    {DL_CERT_REVOKED, IDS_CERT_REVOKED},       {DL_INSECURE_REDIRECT, IDS_INSECURE_REDIRECT},
};

// The text of a run that stopped short for reason (a failed download: its
// result as detail); 0 for an unknown reason.
UINT StallTextOf(int reason, LPARAM detail) {
    if (reason == STALL_DOWNLOAD_FAILED) {
        for (const StallText& refusal : kDownloadResultTexts) {
            if (refusal.reason == detail)
                return refusal.textId;
        }
    }
    for (const StallText& stall : kStallTexts) {
        if (stall.reason == reason)
            return stall.textId;
    }
    return 0;
}

} // namespace

CUpdateDlg::CUpdateDlg(const UpdateBlock* pBlock)
    : CUpdateSkinDialog(IDD_UPDATE), m_hIcon(LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDI_APP))),
      m_progressTextBrush(CreateSolidBrush(kProgressTextBrush)), m_pBlock(pBlock),
      m_pacer(kProgressIntervalMs) {}

bool CUpdateDlg::WorkerRunning() const {
    return m_worker.Running();
}

BOOL CUpdateDlg::PreTranslateMessage(MSG* pMsg) {
    // Enter never closes the update offer.
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_RETURN)
        return TRUE;
    return CUpdateSkinDialog::PreTranslateMessage(pMsg);
}

void CUpdateDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_LINK, m_link);
    DDX_Control(pDX, IDC_EXIT_SOFTWARE, m_exitSoftware);
    DDX_Control(pDX, IDC_DECLINE, m_decline);
    DDX_Control(pDX, IDC_CLOSE, m_close);
    DDX_Control(pDX, IDC_UPGRADE, m_upgrade);
    DDX_Control(pDX, IDC_PROGRESS_TEXT, m_progressText);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
    DDX_Text(pDX, IDC_NOTES, m_strNotes);
}

BOOL CUpdateDlg::OnInitDialog() {
    SetShapeBitmapId(IDB_SHAPE_MASK);
    CUpdateSkinDialog::OnInitDialog();
    PlaceControlsOnSkin();

    AppendSystemMenuItem(IDS_ABOUTBOX, IDM_ABOUTBOX);
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    HWND title = GetDlgItem(IDC_TITLE);
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(title, WM_GETFONT, 0, 0)), sizeof font, &font);
    font.lfWeight = FW_BOLD;
    m_titleFont.reset(CreateFontIndirectA(&font));
    ::SendMessageA(title, WM_SETFONT, reinterpret_cast<WPARAM>(m_titleFont.get()), TRUE);
    ::SetWindowPos(title, nullptr, 30, 8, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    m_link.SetURL(kFullPackageUrl);

    // No taskbar button, always on top.
    const LONG exStyle = GetWindowLongA(m_hWnd, GWL_EXSTYLE);
    SetWindowLongA(m_hWnd, GWL_EXSTYLE, (exStyle & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);
    SetWindowPos(HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    // Exit-software and decline share one place; only one is shown.
    RECT decline;
    m_decline.GetWindowRect(&decline);
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&decline), 2);
    m_exitSoftware.SetWindowPos(nullptr, decline.left, decline.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);

    SetWindowText(AfxLoadString(IDS_WINDOW_TITLE));
    SetWindowPos(nullptr, 0, 0, kWindowWidth, kWindowHeight, SWP_NOMOVE | SWP_NOZORDER);
    CenterWindow();

    m_close.LoadSkin("", IDB_CLOSE_STRIP);
    m_close.SetWindowPos(nullptr, 312, 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);

    ReadBlock();
    m_strNotes = m_offer.releaseNotes;
    UpdateData(FALSE);
    m_progress.SendMessage(PBM_SETRANGE, 0, MAKELPARAM(0, kProgressRange));
    m_strProgressFormat = AfxLoadString(IDS_PROGRESS_FORMAT);
    // Only the worker's own notifications are read: another program can send
    // this window anything.
    m_progressReceiver.Create([this](WPARAM kind, const DownloadProgress* progress) {
        if (m_bUpgrading && m_worker.SendsProgress(progress))
            OnProgress(kind, progress);
    });

    if (m_offer.mandatory) {
        m_decline.ShowWindow(SW_HIDE);
        m_exitSoftware.ShowWindow(SW_SHOW);
    } else {
        m_decline.ShowWindow(SW_SHOW);
        m_exitSoftware.ShowWindow(SW_HIDE);
        ::SetWindowTextA(GetDlgItem(IDC_NOTES_HEADING), AfxLoadString(IDS_NEW_VERSION_NOTICE).c_str());
    }
    return TRUE;
}

// The skin is a fixed 342 × 318 pixels. Where the dialog font's base units
// differ from those of 宋体 9 pt at 96 DPI (another font standing in for it,
// a display with more DPI), the template's controls would slide off the
// painted skin: they are placed by the skin's base units instead.
void CUpdateDlg::PlaceControlsOnSkin() {
    RECT units{0, 0, 4, 8};
    MapDialogRect(m_hWnd, &units);
    if (units.right == kSkinBaseUnitX && units.bottom == kSkinBaseUnitY)
        return;
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT rect;
        ::GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        rect.left = MulDiv(rect.left, kSkinBaseUnitX, units.right);
        rect.right = MulDiv(rect.right, kSkinBaseUnitX, units.right);
        rect.top = MulDiv(rect.top, kSkinBaseUnitY, units.bottom);
        rect.bottom = MulDiv(rect.bottom, kSkinBaseUnitY, units.bottom);
        ::SetWindowPos(child, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// Takes the host's block into our own copies and writes the version stamp
// where the host asked for it, before the user chooses anything.
void CUpdateDlg::ReadBlock() {
    if (!m_pBlock)
        return;
    m_offer = ReadUpdateBlock(*m_pBlock);
    if (!m_offer.stampFile.empty())
        WritePrivateProfileStringA(m_offer.stampSection.c_str(), m_offer.stampKey.c_str(), kVersionStamp,
                                   m_offer.stampFile.c_str());
}

void CUpdateDlg::OnOK() {}

// Escape ends the dialog without the leave steps, but not under a download.
void CUpdateDlg::OnCancel() {
    StopWorker();
    CUpdateSkinDialog::OnCancel();
}

LRESULT CUpdateDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
            OnAbout();
            return 0;
        }
        break;
    case WM_PAINT:
        PaintBackground();
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
        return OnCtlColor(message, wParam, lParam);
    case WM_LBUTTONDOWN:
        OnLButtonDown(wParam, lParam);
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            switch (LOWORD(wParam)) {
            case IDC_UPGRADE:
                OnUpgrade();
                return 0;
            case IDC_CLOSE:
            case IDC_DECLINE:
            case IDC_EXIT_SOFTWARE:
                Leave();
                return 0;
            }
        }
        break;
    case WM_CLOSE:
        Leave();
        return 0;
    case WM_UPDATE_STALLED:
        OnStalled();
        return 0;
    }
    return CUpdateSkinDialog::WindowProc(message, wParam, lParam);
}

void CUpdateDlg::PaintBackground() {
    PaintDC paint(m_hWnd);
    RECT client;
    GetClientRect(&client);
    StretchSkinBitmap(paint.get(), LoadResourceBitmap(IDB_BACKGROUND).get(), client.left, client.top,
                      client.right, client.bottom);
}

LRESULT CUpdateDlg::OnCtlColor(UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT brush = CUpdateSkinDialog::WindowProc(message, wParam, lParam);
    const auto hDC = reinterpret_cast<HDC>(wParam);
    switch (GetDlgCtrlID(reinterpret_cast<HWND>(lParam))) {
    case IDC_NOTES_HEADING:
    case IDC_TITLE:
    case IDC_SLOW_HINT:
    case IDC_LATEST_VERSION:
        // The painted background shows through the labels.
        SetBkMode(hDC, TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    case IDC_PROGRESS_TEXT:
        SetBkColor(hDC, kProgressTextBack);
        return reinterpret_cast<LRESULT>(m_progressTextBrush.get());
    default:
        return brush;
    }
}

void CUpdateDlg::OnLButtonDown(WPARAM keys, LPARAM point) {
    if (GET_Y_LPARAM(point) <= kDragStripHeight) {
        // The move loop measures the drag from this point, in screen
        // coordinates.
        POINT screen{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
        ::ClientToScreen(m_hWnd, &screen);
        PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(screen.x, screen.y));
    }
    // Only the title strip drags, unlike the base's whole background.
    CDialog::WindowProc(WM_LBUTTONDOWN, keys, point);
}

void CUpdateDlg::OnAbout() {
    CUpdateSkinDialog about(IDD_ABOUTBOX, this);
    m_pAbout = &about;
    about.DoModal();
    m_pAbout = nullptr;
}

void CUpdateDlg::OnUpgrade() {
    // Another program can post the command while the button is off.
    if (m_bUpgrading)
        return;
    EnableWindow(m_upgrade.m_hWnd, FALSE);
    UpdateJob job;
    job.dialog = m_hWnd;
    job.progress = m_progressReceiver.Window();
    job.suiteWnd = SuiteWindow();
    job.downloadUrl = m_offer.downloadUrl;
    job.packagePath = m_offer.packagePath;
    const DWORD error = m_worker.Start(job);
    m_bUpgrading = error == ERROR_SUCCESS;
    if (!m_bUpgrading) {
        ShowFailure(IDS_UPGRADE_NOT_STARTED, static_cast<int>(error));
        EnableWindow(m_upgrade.m_hWnd, TRUE);
    }
}

// The worker finishing the download or starting the installer also ends
// here (WM_CLOSE), through an About box the user has open.
void CUpdateDlg::Leave() {
    StopWorker();
    if (m_pAbout)
        m_pAbout->EndDialog(IDCANCEL);
    UniqueHandle exitEvent(OpenEventA(EVENT_MODIFY_STATE, FALSE, kSuiteExitEventName));
    if (exitEvent)
        SetEvent(exitEvent.get());
    if (m_offer.mandatory)
        ::PostMessageA(SuiteWindow(), WM_SUITE_SHUTDOWN, 1, 0);
    EndDialog(IDCANCEL);
}

void CUpdateDlg::StopWorker() {
    m_worker.Stop(kWorkerStopWait);
}

// Window handles carry 32 significant bits on every Windows; a 64-bit
// process sign-extends the 32 bits the block holds.
HWND CUpdateDlg::SuiteWindow() const {
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(static_cast<int32_t>(m_offer.suiteWnd)));
}

// Sent for every chunk while the worker waits: it only keeps the figures
// unless they are to be shown now.
void CUpdateDlg::OnProgress(WPARAM kind, const DownloadProgress* progress) {
    if (kind != 2 || !progress)
        return;
    if (m_pacer.Take(static_cast<uint32_t>(progress->done), static_cast<uint32_t>(progress->total),
                     GetTickCount()))
        ShowProgress();
}

void CUpdateDlg::ShowProgress() {
    const uint32_t done = m_pacer.Done();
    const uint32_t total = m_pacer.Total();
    const uint32_t percent = ProgressPercent(done, total);
    char text[256] = {};
    std::snprintf(text, sizeof text, m_strProgressFormat.c_str(), static_cast<int>(done),
                  static_cast<int>(total), static_cast<int>(percent));
    m_progressText.SetWindowText(text);
    if (percent != m_nShownPercent) {
        m_nShownPercent = percent;
        m_progress.SendMessage(PBM_SETPOS, percent);
    }
}

// The run ended short of the installer: say why and offer "升级" again.
// The message says only that an outcome may be there: another program can
// post it too, and the worker may then still wait on this thread.
void CUpdateDlg::OnStalled() {
    if (!m_bUpgrading || InSendMessage())
        return;
    const std::optional<UpdateOutcome> outcome = m_worker.TakeOutcome();
    if (!outcome)
        return;
    m_bUpgrading = false;
    // The bar keeps the last figures; the line says what happened.
    if (m_pacer.Flush())
        ShowProgress();
    if (const UINT textId = StallTextOf(outcome->reason, outcome->detail))
        ShowFailure(textId, static_cast<int>(outcome->detail));
    EnableWindow(m_upgrade.m_hWnd, TRUE);
}

void CUpdateDlg::ShowFailure(UINT formatId, int code) {
    char text[256] = {};
    std::snprintf(text, sizeof text, AfxLoadString(formatId).c_str(), code);
    m_progressText.SetWindowText(text);
}
