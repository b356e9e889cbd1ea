// Starting the checked copy of the package (CInstallerCopy) as the
// installer, with the copy's own folder as working directory, the way
// current Windows allows it.
#pragma once

#include <windows.h>

#include <string>

// CreateProcess first, with the quoted path as the command line; when
// Windows answers that the package needs elevation (it asks for
// administrator rights, or installer detection takes it for a setup
// program), the shell, which shows the consent prompt owned by owner.
// Returns once the installer's process exists: 0, or else the system error
// code of the failure (ERROR_CANCELLED for a declined prompt).
DWORD StartInstaller(const std::wstring& path, const std::wstring& folder, HWND owner);

// The shell's way alone: ShellExecuteEx "open", with COM (OLE) initialised
// on the calling thread for the call.
DWORD StartInstallerThroughShell(const std::wstring& path, const std::wstring& folder, HWND owner);

// The calling thread's last error, never 0: a failure must not read as
// success.
DWORD LastFailure();
