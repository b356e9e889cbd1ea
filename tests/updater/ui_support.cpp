#include "tests/updater/ui_support.h"

#include "framework/handles.h"
#include "tests/harness/message_pump.h"
#include "tests/harness/wait_until.h"

void PumpFor(DWORD milliseconds) {
    PumpUntil([] { return false; }, milliseconds);
}

bool PumpUntil(const std::function<bool()>& condition, DWORD milliseconds) {
    return harness::WaitUntil(condition, milliseconds, harness::PumpMessages);
}

namespace {

void SendMouse(DWORD flags, POINT screen = {}) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        input.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
        input.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    SendInput(1, &input, sizeof input);
}

} // namespace

void MouseMoveTo(POINT screen) {
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, screen);
    PumpFor(60);
}

void MouseDown() {
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    PumpFor(30);
}

void MouseUp() {
    SendMouse(MOUSEEVENTF_LEFTUP);
    PumpFor(30);
}

POINT ClientToScreenPoint(HWND hWnd, int x, int y) {
    POINT point{x, y};
    ClientToScreen(hWnd, &point);
    return point;
}

COLORREF ClientPixel(HWND hWnd, int x, int y) {
    WindowDC dc(hWnd);
    return GetPixel(dc.get(), x, y);
}

std::string WindowsPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}
