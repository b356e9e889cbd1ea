// The bitmap resources of the running program, as both programs' skins load
// and measure them.
#pragma once

#include "framework/handles.h"

// Bitmap resource nID of the program's module. Only the low 16 bits of an id
// count, as for every resource; 0 names no bitmap and gives none.
UniqueBitmap LoadResourceBitmap(UINT nID);

// The bitmap's width and height in pixels; 0 x 0 for none.
SIZE BitmapSize(HBITMAP bitmap);
