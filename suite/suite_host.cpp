// Stand-in for the suite host: a small window titled "Wexbury" (the window
// the calendar's suite check looks for) that starts Tessaly.exe from its own
// folder and, with /update, offers an update to Update.exe through the
// shared block. It lists what it receives from the updater (the shutdown
// request, the exit event). It ends when the calendar has ended, or, once it
// has offered an update, when its window is closed, so that what it
// received stays readable.
//
//   Wexbury.exe [/update [/mandatory]]
#include "framework/handles.h"
#include "suite/update_offer.h"
#include "suite_servers.h"
#include "updater/update_messages.h"

#include <shlwapi.h>

#include <string>
#include <vector>

namespace {

constexpr char kWindowClass[] = "WexburySuiteHost";
constexpr char kCalendarTitle[] = "日历";
constexpr char kPackageUrl[] = "https://" WXB_UPDATE_SERVER "/wxb/soft/wxbry5_setup.exe";
constexpr char kReleaseNotes[] = "Wexbury 5 更新内容：\r\n"
                                 "1. 日历启动更快，皮肤更清晰。\r\n"
                                 "2. 下载支持断点续传。\r\n"
                                 "3. 修正了若干问题。";
constexpr int kLogId = 100;
constexpr int kWindowWidth = 420;
constexpr int kWindowHeight = 160;

HWND g_hLog = nullptr;
DWORD g_calendarId = 0;

void Log(const std::string& line) {
    const LRESULT index = ::SendMessageA(g_hLog, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    ::SendMessageA(g_hLog, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
}

BOOL CALLBACK CloseCalendarWindow(HWND hWnd, LPARAM) {
    DWORD processId = 0;
    ::GetWindowThreadProcessId(hWnd, &processId);
    char title[64] = "";
    ::GetWindowTextA(hWnd, title, sizeof title);
    if (processId == g_calendarId && lstrcmpA(title, kCalendarTitle) == 0)
        ::PostMessageA(hWnd, WM_CLOSE, 0, 0);
    return TRUE;
}

LRESULT CALLBACK HostWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SUITE_SHUTDOWN:
        Log("收到 WM_SUITE_SHUTDOWN（wParam=" + std::to_string(wParam) + "）：关闭日历，准备安装");
        // The installer replaces the suite's files: the calendar goes first.
        ::EnumWindows(CloseCalendarWindow, 0);
        return 0;
    case WM_SIZE:
        ::MoveWindow(g_hLog, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_DESTROY:
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

UniqueHandle StartCalendar(const std::string& folder) {
    const std::string exe = folder + "Tessaly.exe";
    if (!::PathFileExistsA(exe.c_str()))
        return UniqueHandle();
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process))
        return UniqueHandle();
    ::CloseHandle(process.hThread);
    g_calendarId = process.dwProcessId;
    return UniqueHandle(process.hProcess);
}

HWND CreateHostWindow(HINSTANCE hInstance) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = HostWindowProc;
    windowClass.hInstance = hInstance;
    windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kWindowClass;
    ::RegisterClassA(&windowClass);
    // Bottom right, out of the way of the calendar (top left) and the
    // updater (centred).
    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    HWND hWnd = ::CreateWindowExA(WS_EX_TOOLWINDOW, kWindowClass, "Wexbury", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                  work.right - kWindowWidth - 8, work.bottom - kWindowHeight - 8, kWindowWidth,
                                  kWindowHeight, nullptr, nullptr, hInstance, nullptr);
    if (!hWnd)
        return nullptr;
    g_hLog = ::CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOSEL, 0, 0,
                               0, 0, hWnd, reinterpret_cast<HMENU>(kLogId), hInstance, nullptr);
    ::SendMessageA(g_hLog, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    RECT client;
    ::GetClientRect(hWnd, &client);
    ::MoveWindow(g_hLog, 0, 0, client.right, client.bottom, FALSE);
    ::ShowWindow(hWnd, SW_SHOWNOACTIVATE);
    return hWnd;
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR commandLine, int) {
    const std::string options = commandLine;
    HWND hWnd = CreateHostWindow(hInstance);
    if (!hWnd)
        return 1;
    const std::string folder = ProgramFolder();

    UniqueHandle calendar = StartCalendar(folder);
    Log(calendar ? "已启动 Tessaly.exe" : "未找到 Tessaly.exe");

    SuiteUpdateOffer offer;
    const bool offered = options.find("/update") != std::string::npos;
    if (offered) {
        const bool mandatory = options.find("/mandatory") != std::string::npos;
        const std::string package = folder + "update\\wxbry5_setup.exe";
        if (offer.Start(hWnd, folder, kPackageUrl, package, mandatory, kReleaseNotes))
            Log(std::string("已启动 Update.exe：") + (mandatory ? "强制" : "可选") + "更新 " + kPackageUrl);
        else
            Log("无法启动 Update.exe");
    }

    // Waits on whatever is still to come: the calendar's end, the exit
    // event, the updater's end.
    HANDLE exitEvent = offer.ExitEvent();
    HANDLE updater = offer.Updater();
    HANDLE calendarProcess = calendar.get();
    for (;;) {
        std::vector<HANDLE> handles;
        for (HANDLE h : {calendarProcess, exitEvent, updater})
            if (h)
                handles.push_back(h);
        if (!calendarProcess && !offered)
            break; // the calendar has ended
        const DWORD count = static_cast<DWORD>(handles.size());
        const DWORD wait = ::MsgWaitForMultipleObjects(count, handles.data(), FALSE, INFINITE, QS_ALLINPUT);
        if (wait < WAIT_OBJECT_0 + count) {
            HANDLE signalled = handles[wait - WAIT_OBJECT_0];
            if (signalled == exitEvent) {
                Log("WXBRY_EXIT 已置位：更新程序已结束对话");
                exitEvent = nullptr;
            } else if (signalled == updater) {
                Log("Update.exe 已退出");
                updater = nullptr;
            } else {
                Log("Tessaly.exe 已退出");
                calendarProcess = nullptr;
            }
            continue;
        }
        if (wait != WAIT_OBJECT_0 + count)
            break;
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return 0;
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    ::DestroyWindow(hWnd);
    return 0;
}
