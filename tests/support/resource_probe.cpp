#include "tests/support/resource_probe.h"

#include <cstring>

#include "framework/handles.h"

namespace {

HMODULE Module() { return GetModuleHandleA(nullptr); }

// The locked bytes of a resource; resources stay mapped for the process's life.
std::pair<const uint8_t*, size_t> RawResource(int id, const char* type) {
    HRSRC found = FindResourceA(Module(), MAKEINTRESOURCEA(id), type);
    if (!found)
        return {nullptr, 0};
    HGLOBAL loaded = LoadResource(Module(), found);
    if (!loaded)
        return {nullptr, 0};
    return {static_cast<const uint8_t*>(LockResource(loaded)), SizeofResource(Module(), found)};
}

#pragma pack(push, 2)
struct GroupIconDir {
    WORD reserved;
    WORD type;
    WORD count;
};
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInRes;
    WORD id;
};
#pragma pack(pop)

}  // namespace

std::optional<BitmapHeader> ReadBitmapHeader(int id) {
    auto [data, size] = RawResource(id, MAKEINTRESOURCEA(2));  // RT_BITMAP
    if (!data || size < sizeof(BITMAPINFOHEADER))
        return std::nullopt;
    BITMAPINFOHEADER header;
    memcpy(&header, data, sizeof header);
    return BitmapHeader{header.biWidth, header.biHeight, header.biBitCount};
}

std::optional<Picture> LoadPicture(int id) {
    UniqueBitmap bitmap(static_cast<HBITMAP>(
        LoadImageA(Module(), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap.get(), sizeof info, &info))
        return std::nullopt;

    Picture picture;
    picture.width = info.bmWidth;
    picture.height = info.bmHeight;
    BITMAPINFO request{};
    request.bmiHeader.biSize = sizeof request.bmiHeader;
    request.bmiHeader.biWidth = info.bmWidth;
    request.bmiHeader.biHeight = -info.bmHeight;  // top row first
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    request.bmiHeader.biCompression = BI_RGB;
    std::vector<RGBQUAD> quads(static_cast<size_t>(info.bmWidth) * info.bmHeight);
    MemoryDC dc(CreateCompatibleDC(nullptr));
    if (!GetDIBits(dc.get(), bitmap.get(), 0, info.bmHeight, quads.data(), &request,
                   DIB_RGB_COLORS))
        return std::nullopt;
    picture.pixels.reserve(quads.size());
    for (const RGBQUAD& q : quads)
        picture.pixels.push_back(Rgb{q.rgbRed, q.rgbGreen, q.rgbBlue});
    return picture;
}

std::optional<DialogTemplate> LoadDialogTemplate(int id) {
    auto [data, size] = RawResource(id, MAKEINTRESOURCEA(5));  // RT_DIALOG
    if (!data)
        return std::nullopt;
    return ParseDialogTemplateEx(data, size);
}

std::string LoadAnsiString(int id) {
    char buffer[1024] = {};
    int length = LoadStringA(Module(), id, buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? length : 0);
}

std::vector<IconImage> ReadIconGroup(int id) {
    auto [data, size] = RawResource(id, MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    std::vector<IconImage> images;
    if (!data || size < sizeof(GroupIconDir))
        return images;
    GroupIconDir dir;
    memcpy(&dir, data, sizeof dir);
    for (WORD i = 0; i < dir.count; ++i) {
        size_t at = sizeof dir + i * sizeof(GroupIconEntry);
        if (at + sizeof(GroupIconEntry) > size)
            break;
        GroupIconEntry entry;
        memcpy(&entry, data + at, sizeof entry);
        // A stored 0 means 256 pixels.
        images.push_back(IconImage{entry.width ? entry.width : 256,
                                   entry.height ? entry.height : 256, entry.bitCount});
    }
    return images;
}

std::string ReadRawResource(int id, const char* type) {
    auto [data, size] = RawResource(id, type);
    return data ? std::string(reinterpret_cast<const char*>(data), size) : std::string();
}
