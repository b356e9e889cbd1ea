#include "tests/updater/test_suite_host.h"

#include "tests/updater/ui_support.h"
#include "updater/update_messages.h"

#include <cstring>

namespace {

constexpr char kHostClass[] = "WxbTestSuiteHost";

struct DialogSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectVisibleDialogs(HWND hWnd, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    char cls[32] = {};
    GetClassNameA(hWnd, cls, sizeof cls);
    if (pid == search->processId && IsWindowVisible(hWnd) && std::strcmp(cls, "#32770") == 0)
        search->found.push_back(hWnd);
    return TRUE;
}

} // namespace

TestSuiteHost::TestSuiteHost() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kHostClass;
    RegisterClassA(&wc);
    m_hWnd = CreateWindowExA(0, kHostClass, "Wexbury", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    m_hMapping.reset(
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(UpdateBlock), "wxbry"));
    m_view.reset(MapViewOfFile(m_hMapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
    std::memset(&Block(), 0, sizeof(UpdateBlock));
    Block().suiteWnd = static_cast<uint32_t>(reinterpret_cast<UINT_PTR>(m_hWnd));
    m_hExitEvent.reset(CreateEventA(nullptr, TRUE, FALSE, "WXBRY_EXIT"));
}

TestSuiteHost::~TestSuiteHost() {
    if (m_hProcess && WaitForSingleObject(m_hProcess.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_hProcess.get(), 1);
        WaitForSingleObject(m_hProcess.get(), 5000);
    }
    DestroyWindow(m_hWnd);
}

void TestSuiteHost::SetField(char (&field)[260], const std::string& text) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, text.data(), std::min(text.size(), sizeof field));
}

bool TestSuiteHost::Start(const std::string& startDirectory, const std::string& arguments) {
    const std::string exe = UpdateExePath();
    std::string commandLine = "\"" + exe + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        startDirectory.empty() ? nullptr : startDirectory.c_str(), &startup, &process))
        return false;
    CloseHandle(process.hThread);
    m_hProcess.reset(process.hProcess);
    m_processId = process.dwProcessId;
    return true;
}

HWND TestSuiteHost::WaitForDialog(DWORD milliseconds) {
    std::vector<HWND> dialogs;
    PumpUntil(
        [&] {
            dialogs = VisibleDialogsOf(m_processId);
            return !dialogs.empty();
        },
        milliseconds);
    if (dialogs.empty())
        return nullptr;
    PumpFor(150); // let it finish its first paint
    return dialogs.front();
}

bool TestSuiteHost::WaitForExit(DWORD milliseconds) {
    return PumpUntil([&] { return WaitForSingleObject(m_hProcess.get(), 0) == WAIT_OBJECT_0; }, milliseconds);
}

bool TestSuiteHost::ExitEventSet() const {
    return WaitForSingleObject(m_hExitEvent.get(), 0) == WAIT_OBJECT_0;
}

int TestSuiteHost::ShutdownCount() {
    PumpFor(50);
    return m_nShutdowns;
}

LRESULT CALLBACK TestSuiteHost::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SUITE_SHUTDOWN && wParam == 1 && lParam == 0) {
        if (auto* host = reinterpret_cast<TestSuiteHost*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA)))
            ++host->m_nShutdowns;
        return 0;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

std::string UpdateExePath() {
    return WindowsPath(WXB_UPDATE_EXE);
}

std::vector<HWND> VisibleDialogsOf(DWORD processId) {
    DialogSearch search{processId, {}};
    EnumWindows(CollectVisibleDialogs, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
