// SetLayeredWindowAttributes exists only on newer Windows versions, so it is
// looked up in "User32.DLL" on every use; where it is missing, the window is
// left as it is.
#pragma once

#include <windows.h>

// Sets the colour key and alpha of layered window hWnd; flags are the
// LWA_COLORKEY and LWA_ALPHA bits. False when the function is unavailable.
bool SetLayeredAttributes(HWND hWnd, COLORREF crKey, BYTE bAlpha, DWORD dwFlags);

// Flips the WS_EX_LAYERED bit of hWnd, which sets it on windows from our
// templates (none has it), and then sets the colour key and alpha.
void MakeWindowLayered(HWND hWnd, COLORREF crKey, BYTE bAlpha, DWORD dwFlags);
