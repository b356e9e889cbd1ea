// Small helpers for the updater's window tests: pumping this thread's
// messages, real mouse input and reading pixels back.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Dispatches this thread's messages (through the application's
// pre-translation) for the given time.
void PumpFor(DWORD milliseconds);
// Pumps until the condition holds or the time is up; returns the condition.
bool PumpUntil(const std::function<bool()>& condition, DWORD milliseconds = 3000);

// Real mouse input at a screen point (SendInput, absolute coordinates).
void MouseMoveTo(POINT screen);
void MouseDown();
void MouseUp();

// The screen point of a client point of the window.
POINT ClientToScreenPoint(HWND hWnd, int x, int y);
// The colour the window shows at a client point.
COLORREF ClientPixel(HWND hWnd, int x, int y);

// A Windows path for a file of the build tree (Wine's Z: drive).
std::string WindowsPath(const std::string& unixPath);
