// Looking at the windows of another program through Win32, the way a user
// would see them: which exist, where they are, their shape and layering.
#pragma once

#include "tests/harness/wait_until.h"

#include <windows.h>

#include <string>
#include <vector>

namespace harness {

// A top-level window of process processId titled title (any title when
// empty), or null.
HWND FindProcessWindow(DWORD processId, const std::string& title = "");
// Waits up to timeoutMs for such a window to exist and be visible.
HWND WaitForWindow(DWORD processId, const std::string& title, DWORD timeoutMs);
// Whether process processId has any top-level window with a title or a
// visible one (Wine's helper windows have neither).
bool HasUserWindow(DWORD processId);

RECT WindowRect(HWND hWnd);
// A child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND hChild);
// The rectangles of the window region (window coordinates); empty when the
// window has no region.
std::vector<RECT> RegionRects(HWND hWnd);

struct LayeredAttributes {
    bool bLayered = false;  // WS_EX_LAYERED set
    COLORREF crKey = 0;
    BYTE bAlpha = 0;
    DWORD dwFlags = 0;  // LWA_COLORKEY, LWA_ALPHA
};
LayeredAttributes ReadLayeredAttributes(HWND hWnd);

}  // namespace harness
