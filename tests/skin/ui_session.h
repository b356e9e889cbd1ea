// Real input and real pixels for the skin controls' window tests: the mouse
// through SendInput, the messages through the application's pre-translation
// chain, and colours read back from the windows.
#pragma once

#include <windows.h>

#include <functional>

namespace ui {

// Moves the mouse to a screen point.
void MoveTo(POINT screen);
void LeftDown();
void LeftUp();
void RightClick();
// Two clicks within the double-click time.
void DoubleClick();

// Runs `steps` (mouse input) on a second thread while this thread runs the
// message loop: a press that starts the system's move loop holds this thread
// inside that loop until the button is released.
void WhilePumping(const std::function<void()>& steps);

// Runs the message loop (with PreTranslateMessage) for a while, or until
// `done` holds, checked after each batch of messages. Returns `done()`.
void Pump(DWORD ms);
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 2000);

// The colour a window has drawn at one of its client points, read from the
// window's own surface: the screen image behind the compositor lags.
COLORREF WindowPixel(HWND hWnd, int x, int y);

}  // namespace ui
