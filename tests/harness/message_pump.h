// The message loop of a test that owns windows, for the pauses of
// harness::WaitUntil. Header only, like tests/harness/wait_until.h; the test
// links the framework.
#pragma once

#include "framework/win_app.h"

namespace harness {

// Waits up to 10 ms for a message, then runs this thread's messages through
// the application's pre-translation chain, as its message loop would.
inline void PumpMessages() {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!AfxGetApp()->PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
}

}  // namespace harness
