#include "tests/harness/screen.h"

#include "tests/harness/temp_folder.h"
#include "tests/harness/window_probe.h"

#include <cstdio>
#include <cstdlib>

namespace harness {

namespace {

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

void SendMouse(DWORD flags, int x = 0, int y = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        // Absolute coordinates are 0 to 65535 across the primary screen.
        input.mi.dx = MulDiv(x, 65535, ::GetSystemMetrics(SM_CXSCREEN) - 1);
        input.mi.dy = MulDiv(y, 65535, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    ::SendInput(1, &input, sizeof input);
}

}  // namespace

std::string UnixPath(const std::string& windowsPath) {
    using UnixFileNameProc = char*(CDECL*)(LPCWSTR);
    auto toUnix = reinterpret_cast<UnixFileNameProc>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix)
        return {};
    std::wstring wide(windowsPath.size() + 1, L'\0');
    const int length = ::MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, &wide[0],
                                             static_cast<int>(wide.size()));
    if (length == 0)
        return {};
    char* unixPath = toUnix(wide.c_str());
    if (!unixPath)
        return {};
    std::string result = unixPath;
    ::HeapFree(::GetProcessHeap(), 0, unixPath);
    return result;
}

bool RunUnixCommand(const std::string& shellCommand, DWORD timeoutMs) {
    TempFolder folder;
    const std::string marker = UnixPath(folder.Path("done"));
    if (marker.empty())
        return false;
    std::string commandLine =
        "/bin/sh -c \"" + shellCommand + "; echo $? > " + marker + ".tmp && mv " + marker + ".tmp " + marker + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process))
        return false;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    if (!WaitUntil([&] { return folder.Exists("done"); }, timeoutMs))
        return false;
    return std::atoi(folder.Read("done").c_str()) == 0;
}

bool Screenshot(const std::string& windowsPngPath) {
    const std::string target = UnixPath(windowsPngPath);
    return !target.empty() && RunUnixCommand("import -window root " + ShellQuote(target), 20000);
}

COLORREF ScreenshotPixel(const std::string& windowsPngPath, int x, int y) {
    TempFolder folder;
    const std::string source = UnixPath(windowsPngPath);
    const std::string output = UnixPath(folder.Path("pixel.txt"));
    if (source.empty() || output.empty())
        return CLR_INVALID;
    const std::string crop = std::to_string(x) + "+" + std::to_string(y);
    if (!RunUnixCommand("convert " + ShellQuote(source) + " -crop 1x1+" + crop + " -depth 8 rgb:" + ShellQuote(output),
                        20000))
        return CLR_INVALID;
    const std::string rgb = folder.Read("pixel.txt");
    if (rgb.size() != 3)
        return CLR_INVALID;
    return RGB(static_cast<BYTE>(rgb[0]), static_cast<BYTE>(rgb[1]), static_cast<BYTE>(rgb[2]));
}

void MoveMouse(int x, int y) {
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y);
}

void LeftClick(int x, int y) {
    MoveMouse(x, y);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
}

}  // namespace harness
