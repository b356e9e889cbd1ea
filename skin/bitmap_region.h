// Cuts a window shape out of a bitmap.
#pragma once

#include <windows.h>

// Returns a region covering every pixel of `bitmap` whose colour lies outside
// the key range: per byte of the pixel in memory order (blue, green, red),
// from that byte of `key` up to it plus the same byte of `tolerance`
// (clamped to 255). A key written with RGB() therefore matches the colour
// with red and blue exchanged; grey and white keys are unaffected. One
// rectangle per run per row, origin at the bitmap's top-left pixel.
// The caller owns the region. None for a null bitmap or when a device
// context, the scan bitmap or memory cannot be had.
HRGN CreateRegionFromBitmap(HBITMAP bitmap, COLORREF key, COLORREF tolerance);

// Cuts hWnd to that region and redraws it; from then on the window owns the
// region. False, leaving the window as it was, when no region results or the
// window refuses it.
bool SetWindowRegionFromBitmap(HWND hWnd, HBITMAP bitmap, COLORREF key, COLORREF tolerance);
