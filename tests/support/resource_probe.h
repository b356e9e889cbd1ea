// Reads the resources linked into the running test program the way the
// programs meet them: through FindResource/LoadResource, LoadImage and
// LoadString.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/dialog_template.h"

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
    // Perceived brightness, 0..255.
    double Luma() const { return 0.299 * r + 0.587 * g + 0.114 * b; }
};

// The pixels of a loaded bitmap, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;

    Rgb At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Size and depth as stored in the RT_BITMAP resource.
struct BitmapHeader {
    int width = 0;
    int height = 0;
    int bitCount = 0;
};

// One image of an RT_GROUP_ICON directory.
struct IconImage {
    int width = 0;
    int height = 0;
    int bitCount = 0;
};

std::optional<BitmapHeader> ReadBitmapHeader(int id);
// Loads bitmap resource id as a DIB section and reads it back as RGB.
std::optional<Picture> LoadPicture(int id);
std::optional<DialogTemplate> LoadDialogTemplate(int id);
// The string as the programs get it: LoadStringA in the ANSI code page.
std::string LoadAnsiString(int id);
std::vector<IconImage> ReadIconGroup(int id);
// The raw bytes of a resource, empty when it does not exist.
std::string ReadRawResource(int id, const char* type);
