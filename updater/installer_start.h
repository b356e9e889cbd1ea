// Starting the downloaded package as the installer, with the package's own
// folder as working directory, the way current Windows allows it.
#pragma once

#include <windows.h>

#include <string>

// CreateProcess first; when Windows answers that the package needs
// elevation (it asks for administrator rights, or installer detection takes
// it for a setup program), the shell, which shows the consent prompt owned
// by owner. Returns once the installer's process exists: 0, or else the
// system error code of the failure (ERROR_CANCELLED for a declined prompt).
DWORD StartInstaller(const std::string& packagePath, HWND owner);

// The shell's way alone: ShellExecuteEx "open", with COM (OLE) initialised
// on the calling thread for the call.
DWORD StartInstallerThroughShell(const std::string& packagePath, HWND owner);
