// The demo's update package: a stand-in installer that only says where it
// was started, so the demo shows the whole hand-over from the updater. Its
// text is drawn in the GUI font, which reaches a Chinese font under Wine
// (the message box font there has no Chinese glyphs).
#include <windows.h>

#include <string>

namespace {

constexpr char kWindowClass[] = "WexburyDemoInstaller";
constexpr int kTextId = 100;

LRESULT CALLBACK InstallerWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK)
            ::DestroyWindow(hWnd);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(hWnd, message, wParam, lParam);
}

HWND AddChild(HWND parent, const char* cls, const std::string& text, DWORD style, int x, int y, int w, int h,
              int id) {
    HWND child = ::CreateWindowExA(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    ::SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return child;
}

} // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    char directory[MAX_PATH] = "";
    ::GetCurrentDirectoryA(MAX_PATH, directory);
    const std::string text =
        std::string("Wexbury 5 安装程序（演示）\r\n\r\n更新包已下载、校验并启动。\r\n工作目录：") + directory;

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = InstallerWindowProc;
    windowClass.hInstance = hInstance;
    windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    ::RegisterClassA(&windowClass);
    const int width = 460, height = 170;
    HWND hWnd = ::CreateWindowExA(0, kWindowClass, "Wexbury 5 Setup", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                  (::GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                  (::GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr,
                                  nullptr, hInstance, nullptr);
    if (!hWnd)
        return 1;
    AddChild(hWnd, "STATIC", text, SS_LEFT, 16, 14, width - 40, 80, kTextId);
    AddChild(hWnd, "BUTTON", "确定", BS_DEFPUSHBUTTON | WS_TABSTOP, width / 2 - 40, 96, 80, 26, IDOK);
    ::ShowWindow(hWnd, SW_SHOW);
    ::SetForegroundWindow(hWnd);

    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!::IsDialogMessageA(hWnd, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    return 0;
}
