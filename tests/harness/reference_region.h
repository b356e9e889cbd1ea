// Regions built the slow and obvious way, to compare window shapes and
// CreateRegionFromBitmap with: one rectangle per run of kept pixels, joined
// with CombineRgn, independent of the code under test.
#pragma once

#include "framework/handles.h"

#include <functional>

namespace harness {

// The pixels of a width x height picture for which kept(x, y) holds.
UniqueRegion ReferenceRegion(int nWidth, int nHeight, const std::function<bool(int x, int y)>& kept);

// The pixels of mask that are not pure white: where a window cut to the
// mask must be, in window coordinates.
UniqueRegion ReferenceRegionOfMask(HBITMAP mask);

}  // namespace harness
