#include "calendar/splash_dlg.h"

#include "calendar/calendar_app.h"
#include "framework/handles.h"
#include "resources/tessaly_resource.h"
#include "skin/resource_bitmap.h"
#include "suite_servers.h"

#include <shlwapi.h>
#include <wininet.h>

namespace {

constexpr UINT_PTR kCloseTimer = 20005;
constexpr UINT kCloseAfterMs = 2000;
// The built-in picture's item in the template has no id of its own.
constexpr int kBuiltInPictureItem = -1;

constexpr char kPictureFile[] = "loading.bmp";
// The download goes here first: the splash never meets a half-written
// picture, and a failed download leaves the old one in place.
constexpr char kPartialFile[] = "loading.bmp.down";
constexpr char kPictureUrl[] = "http://" WXB_PICTURE_SERVER "/oempage/ad/topright/images/loading.bmp";
constexpr DWORD kChunkSize = 10240;

// Content-Length of the answer, or -1 when the server sent none.
LONGLONG ContentLength(HINTERNET hRequest) {
    char text[32] = "";
    DWORD size = sizeof text;
    if (!HttpQueryInfoA(hRequest, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr))
        return -1;
    return _atoi64(text);
}

bool AnsweredOk(HINTERNET hRequest) {
    DWORD status = 0;
    DWORD size = sizeof status;
    return HttpQueryInfoA(hRequest, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                          nullptr) &&
           status == HTTP_STATUS_OK;
}

// Copies the answer's body into `file`; true when it arrived whole.
bool CopyBody(HINTERNET hRequest, HANDLE file) {
    const LONGLONG expected = ContentLength(hRequest);
    char buffer[kChunkSize];
    LONGLONG total = 0;
    for (;;) {
        DWORD read = 0;
        if (!InternetReadFile(hRequest, buffer, kChunkSize, &read))
            return false;
        if (read == 0)
            break;
        DWORD written = 0;
        if (!WriteFile(file, buffer, read, &written, nullptr) || written != read)
            return false;
        total += read;
    }
    // A connection closed early can end the body like a normal end does.
    return total > 0 && (expected < 0 || total == expected);
}

// Puts the new picture in place of the old one. The splash may hold the old
// file open for reading just then, so a refused replace is tried again.
bool ReplacePicture(const std::string& folder) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (MoveFileExA((folder + kPartialFile).c_str(), (folder + kPictureFile).c_str(),
                        MOVEFILE_REPLACE_EXISTING))
            return true;
        Sleep(200);
    }
    return false;
}

UniqueHandle CreatePartialFile(const std::string& folder) {
    return UniqueHandle(::CreateFileA((folder + kPartialFile).c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Where the picture is kept: beside the program, unless it could not be
// written there once and went to the user's folder instead.
std::string PictureFolder() {
    const bool inUserDirectory =
        !UserDirectory.empty() && ::PathFileExistsA((UserDirectory + kPictureFile).c_str());
    return inUserDirectory ? UserDirectory : ModuleDirectory;
}

} // namespace

CSplashDlg::CSplashDlg(CWnd* pParentWnd) : CDialog(IDD_SPLASH, pParentWnd) {}

void CSplashDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PICTURE, m_picture);
}

BOOL CSplashDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // Nobody waits for the download: its handle is closed at once.
    UniqueHandle(::CreateThread(nullptr, 0, DownloadThread, nullptr, 0, nullptr));
    if (!ShowDownloadedPicture())
        ShowBuiltInPicture();
    SetTimer(kCloseTimer, kCloseAfterMs);
    return TRUE;
}

// A picture that exists but does not load counts as none.
bool CSplashDlg::ShowDownloadedPicture() {
    const std::string picture = PictureFolder() + kPictureFile;
    if (!::PathFileExistsA(picture.c_str()) || !m_picture.LoadFromFile(picture.c_str()))
        return false;
    m_picture.Draw();
    // The built-in picture would paint over a still one beside it.
    ::ShowWindow(GetDlgItem(kBuiltInPictureItem), SW_HIDE);
    // Left at (0, 0), the hidden dialog is centred on the work area when its
    // initialisation ends.
    SetWindowPos(nullptr, 0, 0, m_picture.Width(), m_picture.Height(), SWP_NOZORDER);
    return true;
}

// Centred on the whole screen, not the work area.
void CSplashDlg::ShowBuiltInPicture() {
    const SIZE size = BitmapSize(LoadResourceBitmap(IDB_SPLASH).get());
    SetWindowPos(nullptr, (::GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2,
                 (::GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2, size.cx, size.cy, SWP_NOZORDER);
}

LRESULT CSplashDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        OnOK();
        break;
    case WM_ERASEBKGND:
        // The picture control and the built-in bitmap paint everything.
        return TRUE;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

DWORD WINAPI CSplashDlg::DownloadThread(void*) {
    UniqueInternet internet(::InternetOpenA("Outlook", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!internet)
        return 0;
    UniqueInternet request(
        ::InternetOpenUrlA(internet.get(), kPictureUrl, nullptr, 0, INTERNET_FLAG_RELOAD, 0));
    // An error page is no picture.
    if (!request || !AnsweredOk(request.get()))
        return 0;
    std::string folder = PictureFolder();
    UniqueHandle file = CreatePartialFile(folder);
    if (!file && folder != UserDirectory && MakeUserDirectory()) {
        folder = UserDirectory;
        file = CreatePartialFile(folder);
    }
    if (!file)
        return 0;
    const bool complete = CopyBody(request.get(), file.get());
    file.reset();
    if (complete && ReplacePicture(folder))
        return 1;
    ::DeleteFileA((folder + kPartialFile).c_str());
    return 0;
}
