#include "updater/installer_start.h"

#include "framework/handles.h"
#include "updater/update_rules.h"

#include <shellapi.h>

namespace {

// CreateProcess's answer for a program that needs elevation (winerror.h of
// the SDK; MinGW's lacks it).
constexpr DWORD kErrorElevationRequired = 740;

bool AnsiLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte) != FALSE;
}

std::string WorkingDirectoryOf(const std::string& packagePath) {
    return InstallerWorkingDirectory(packagePath, AnsiLeadByte);
}

// The calling thread's last error, never 0: a failure must not read as a
// start.
DWORD LastFailure() {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
}

} // namespace

DWORD StartInstaller(const std::string& packagePath, HWND owner) {
    const std::string directory = WorkingDirectoryOf(packagePath);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessA(packagePath.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(),
                       &startup, &process)) {
        // Nothing waits for the installer.
        UniqueHandle thread(process.hThread);
        UniqueHandle handle(process.hProcess);
        return ERROR_SUCCESS;
    }
    const DWORD error = LastFailure();
    if (error != kErrorElevationRequired)
        return error;
    return StartInstallerThroughShell(packagePath, owner);
}

DWORD StartInstallerThroughShell(const std::string& packagePath, HWND owner) {
    const std::string directory = WorkingDirectoryOf(packagePath);
    // The shell wants COM on the thread that calls it.
    OleInitScope com;
    SHELLEXECUTEINFOA execute{};
    execute.cbSize = sizeof execute;
    // Synchronous, so that the process exists when the call returns. The
    // shell may show its own box for a failure: its flag against that
    // (SEE_MASK_FLAG_NO_UI) is not trusted to leave the consent prompt be.
    execute.fMask = SEE_MASK_NOASYNC;
    execute.hwnd = owner;
    execute.lpVerb = "open";
    execute.lpFile = packagePath.c_str();
    execute.lpDirectory = directory.c_str();
    execute.nShow = SW_SHOWNORMAL;
    return ShellExecuteExA(&execute) ? ERROR_SUCCESS : LastFailure();
}
