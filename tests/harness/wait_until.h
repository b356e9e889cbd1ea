// Waiting in tests for what lands a moment later. Header only, so that test
// programs which do not link the harness library wait the same way.
#pragma once

#include <windows.h>

#include <functional>

namespace harness {

// Checks condition until it holds (true) or timeoutMs have passed (false).
// Between two checks it calls pause: by default a 20 ms sleep; tests that
// own the windows they watch pass PumpMessages (tests/harness/message_pump.h).
inline bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs,
                      const std::function<void()>& pause = [] { ::Sleep(20); }) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (::GetTickCount() - start >= timeoutMs)
            return false;
        pause();
    }
}

}  // namespace harness
