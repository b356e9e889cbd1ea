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
