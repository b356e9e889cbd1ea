#include "updater/installer_start.h"

#include "updater/update_rules.h"

#include <objbase.h>
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

// COM on the calling thread, in the single-threaded apartment the shell
// expects, for as long as the object lives.
class ComApartment {
public:
    ComApartment()
        : m_ok(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ComApartment() {
        if (m_ok)
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool m_ok;
};

} // namespace

DWORD StartInstaller(const std::string& packagePath, HWND owner) {
    const std::string directory = WorkingDirectoryOf(packagePath);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessA(packagePath.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(),
                       &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return ERROR_SUCCESS;
    }
    const DWORD error = LastFailure();
    if (error != kErrorElevationRequired)
        return error;
    return StartInstallerThroughShell(packagePath, owner);
}

DWORD StartInstallerThroughShell(const std::string& packagePath, HWND owner) {
    const std::string directory = WorkingDirectoryOf(packagePath);
    ComApartment com;
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
