#include "tests/skin/ui_session.h"

#include "framework/handles.h"
#include "tests/harness/message_pump.h"
#include "tests/harness/wait_until.h"

#include <atomic>
#include <thread>

namespace ui {
namespace {

// The thread that owns the windows: static initialisation runs on it.
const DWORD g_uiThread = ::GetCurrentThreadId();

void SendMouse(DWORD flags, LONG x = 0, LONG y = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = x;
    input.mi.dy = y;
    input.mi.dwFlags = flags;
    ::SendInput(1, &input, sizeof input);
    if (::GetCurrentThreadId() == g_uiThread)
        Pump(30);
    else
        ::Sleep(30);
}

}  // namespace

void MoveTo(POINT screen) {
    // Absolute coordinates run from 0 to 65535 over the primary screen.
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, (screen.x * 65536 + width / 2) / width,
              (screen.y * 65536 + height / 2) / height);
}

void LeftDown() {
    SendMouse(MOUSEEVENTF_LEFTDOWN);
}

void LeftUp() {
    SendMouse(MOUSEEVENTF_LEFTUP);
}

void RightClick() {
    SendMouse(MOUSEEVENTF_RIGHTDOWN);
    SendMouse(MOUSEEVENTF_RIGHTUP);
}

void DoubleClick() {
    INPUT clicks[4]{};
    const DWORD flags[4] = {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
    for (int i = 0; i < 4; ++i) {
        clicks[i].type = INPUT_MOUSE;
        clicks[i].mi.dwFlags = flags[i];
    }
    ::SendInput(4, clicks, sizeof clicks[0]);
    Pump(50);
}

void WhilePumping(const std::function<void()>& steps) {
    std::atomic<bool> done{false};
    std::thread input([&] {
        steps();
        done = true;
    });
    PumpUntil([&] { return done.load(); }, 10000);
    input.join();
}

void Pump(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    return harness::WaitUntil(done, timeoutMs, harness::PumpMessages);
}

COLORREF WindowPixel(HWND hWnd, int x, int y) {
    WindowDC dc(hWnd);
    return ::GetPixel(dc.get(), x, y);
}

}  // namespace ui
