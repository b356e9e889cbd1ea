#include "updater/installer_start.h"

#include "framework/handles.h"

#include <shellapi.h>

namespace {

// CreateProcess's answer for a program that needs elevation (winerror.h of
// the SDK; MinGW's lacks it).
constexpr DWORD kErrorElevationRequired = 740;

} // namespace

DWORD LastFailure() {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
}

DWORD StartInstaller(const std::wstring& path, const std::wstring& folder, HWND owner) {
    // The installer's argv[0] is its whole path, spaces and all.
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                       &startup, &process)) {
        // Nothing waits for the installer.
        UniqueHandle thread(process.hThread);
        UniqueHandle handle(process.hProcess);
        return ERROR_SUCCESS;
    }
    const DWORD error = LastFailure();
    if (error != kErrorElevationRequired)
        return error;
    return StartInstallerThroughShell(path, folder, owner);
}

DWORD StartInstallerThroughShell(const std::wstring& path, const std::wstring& folder, HWND owner) {
    // The shell wants COM on the thread that calls it.
    OleInitScope com;
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof execute;
    // Synchronous, so that the process exists when the call returns. The
    // shell may show its own box for a failure: its flag against that
    // (SEE_MASK_FLAG_NO_UI) is not trusted to leave the consent prompt be.
    execute.fMask = SEE_MASK_NOASYNC;
    execute.hwnd = owner;
    execute.lpVerb = L"open";
    execute.lpFile = path.c_str();
    execute.lpDirectory = folder.c_str();
    execute.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&execute) ? ERROR_SUCCESS : LastFailure();
}
