// Private window messages of the calendar's main window.
#pragma once

#include <windows.h>

// Z-order of the main window: wParam 1 normal, 2 always on top, anything
// else nothing; answers 1. Below WM_USER on purpose: the settings window
// sends this very number.
constexpr UINT WM_CALENDAR_ZORDER = 100;
constexpr WPARAM kZOrderNormal = 1;
constexpr WPARAM kZOrderTopMost = 2;

// Sent by the title button panel's settings and minimise buttons.
constexpr UINT WM_PANEL_SETTINGS = WM_USER + 6;
constexpr UINT WM_PANEL_MINIMIZE = WM_USER + 7;

// Posted by the browser's event sink: the calendar page failed to load
// (wParam: the status, an HTTP status code or the browser's HRESULT), or
// its document is complete.
constexpr UINT WM_CALENDAR_PAGE_FAILED = WM_USER + 20;
constexpr UINT WM_CALENDAR_PAGE_LOADED = WM_USER + 21;
// Posted from the system's notification thread: an IP address of the
// machine came or went.
constexpr UINT WM_CALENDAR_NETWORK_CHANGED = WM_USER + 22;
