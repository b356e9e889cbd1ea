// 32-bit DIB sections, the pixel layout the skin code reads directly.
#pragma once

#include <windows.h>

// A 32-bits-per-pixel BI_RGB DIB section: rows bottom-up for a positive
// height, top-down for a negative one. `*ppBits` receives the pixels.
// Null when the system cannot make it.
HBITMAP Create32BitDibSection(HDC dc, int nWidth, int nHeight, void** ppBits);
