// Stand-in for the suite host: a hidden top-level window titled "Wexbury"
// (the window the calendar's suite check looks for) that starts Tessaly.exe
// from its own folder and ends when the calendar ends.
#include "framework/handles.h"

#include <shlwapi.h>

#include <string>

namespace {

constexpr char kWindowClass[] = "WexburySuiteHost";

LRESULT CALLBACK HostWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(hWnd, message, wParam, lParam);
}

std::string ProgramFolder() {
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    ::PathRemoveFileSpecA(path);
    ::PathAddBackslashA(path);
    return path;
}

UniqueHandle StartCalendar() {
    std::string commandLine = "\"" + ProgramFolder() + "Tessaly.exe\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process))
        return UniqueHandle();
    ::CloseHandle(process.hThread);
    return UniqueHandle(process.hProcess);
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = HostWindowProc;
    windowClass.hInstance = hInstance;
    windowClass.lpszClassName = kWindowClass;
    ::RegisterClassA(&windowClass);
    HWND hWnd = ::CreateWindowExA(WS_EX_TOOLWINDOW, kWindowClass, "Wexbury", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  hInstance, nullptr);
    if (!hWnd)
        return 1;

    UniqueHandle calendar = StartCalendar();
    if (!calendar) {
        ::DestroyWindow(hWnd);
        return 1;
    }
    HANDLE handles[] = {calendar.get()};
    for (;;) {
        DWORD wait = ::MsgWaitForMultipleObjects(1, handles, FALSE, INFINITE, QS_ALLINPUT);
        if (wait != WAIT_OBJECT_0 + 1)
            break;  // the calendar ended
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return 0;
            ::DispatchMessageA(&msg);
        }
    }
    ::DestroyWindow(hWnd);
    return 0;
}
