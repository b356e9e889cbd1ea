#include "tests/support/resource_expect.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "tests/support/resource_probe.h"

namespace {

// Readable failure messages: the text as UTF-8.
std::string Utf8(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace

void ExpectItem(const DialogTemplate& dialog, size_t index, const ItemSpec& expected) {
    ASSERT_LT(index, dialog.items.size()) << "no item number " << index;
    const DialogItem& item = dialog.items[index];
    SCOPED_TRACE("item " + std::to_string(index) + ", id " + std::to_string(expected.id));
    EXPECT_EQ(item.id, expected.id);
    EXPECT_EQ(Utf8(item.ClassName()), Utf8(expected.className));
    EXPECT_FALSE(item.title.ordinal);
    EXPECT_EQ(Utf8(item.title.text), Utf8(expected.title));
    EXPECT_EQ(item.x, expected.x);
    EXPECT_EQ(item.y, expected.y);
    EXPECT_EQ(item.cx, expected.cx);
    EXPECT_EQ(item.cy, expected.cy);
    EXPECT_EQ(item.style, expected.style) << std::hex << "0x" << item.style << " instead of 0x"
                                      << expected.style;
}

void ExpectFont(const DialogTemplate& dialog, const char16_t* face, uint16_t pointSize) {
    EXPECT_EQ(Utf8(dialog.typeface), Utf8(face));
    EXPECT_EQ(dialog.pointSize, pointSize);
    EXPECT_EQ(dialog.italic, 0);
}

void ExpectAboutBox(int dialogId, const char16_t* caption, const char16_t* versionLine,
                    int iconId) {
    auto dialog = LoadDialogTemplate(dialogId);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->style & (WS_CAPTION | WS_SYSMENU), static_cast<uint32_t>(WS_CAPTION | WS_SYSMENU));
    EXPECT_EQ(Utf8(dialog->caption), Utf8(caption));
    bool icon = false, version = false, ok = false;
    for (const DialogItem& item : dialog->items) {
        icon |= (item.style & SS_TYPEMASK) == SS_ICON && item.title.ordinal == iconId;
        version |= item.title.text == versionLine;
        ok |= item.id == static_cast<uint32_t>(IDOK);
    }
    EXPECT_TRUE(icon);
    EXPECT_TRUE(version);
    EXPECT_TRUE(ok);
    EXPECT_GE(dialog->items.size(), 4u) << "icon, version line, further line and OK";
}

namespace {

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR seen) {
    reinterpret_cast<std::vector<WORD>*>(seen)->push_back(language);
    return TRUE;
}

BOOL CALLBACK CollectNameLanguages(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR seen) {
    EnumResourceLanguagesA(module, type, name, CollectLanguage, seen);
    return TRUE;
}

BOOL CALLBACK CollectTypeLanguages(HMODULE module, LPSTR type, LONG_PTR seen) {
    EnumResourceNamesA(module, type, CollectNameLanguages, seen);
    return TRUE;
}

}  // namespace

void ExpectAllResourcesChinesePrc() {
    std::vector<WORD> languages;
    EnumResourceTypesA(GetModuleHandleA(nullptr), CollectTypeLanguages,
                       reinterpret_cast<LONG_PTR>(&languages));
    ASSERT_FALSE(languages.empty());
    for (WORD language : languages)
        EXPECT_EQ(language, MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
}

void ExpectIconSizes(int id) {
    auto images = ReadIconGroup(id);
    ASSERT_EQ(images.size(), 3u);
    int size = 16;
    for (const IconImage& image : images) {
        EXPECT_EQ(image.width, size);
        EXPECT_EQ(image.height, size);
        EXPECT_EQ(image.bitCount, 32);
        size += 16;
    }
    for (int wanted : {16, 32, 48}) {
        HICON icon = static_cast<HICON>(
            LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, wanted,
                       wanted, LR_DEFAULTCOLOR));
        ASSERT_TRUE(icon);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour{};
        GetObjectA(info.hbmColor, sizeof colour, &colour);
        EXPECT_EQ(colour.bmWidth, wanted);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

void ExpectCommonControlsManifest() {
    const std::string manifest = ReadRawResource(1, MAKEINTRESOURCEA(24));  // RT_MANIFEST
    ASSERT_FALSE(manifest.empty());
    for (const char* part : {"name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
                             "processorArchitecture=\"X86\"",
                             "publicKeyToken=\"6595b64144ccf1df\""})
        EXPECT_NE(manifest.find(part), std::string::npos) << part;

    // The loader took it: comctl32 comes from the side-by-side store of
    // version 6. (Wine's DllGetVersion says 5.81 for both versions, so the
    // module's path is what tells them apart.)
    INITCOMMONCONTROLSEX init{sizeof init, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&init);
    char path[MAX_PATH] = {};
    ASSERT_TRUE(GetModuleFileNameA(GetModuleHandleA("comctl32.dll"), path, sizeof path));
    std::string lower(path);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(tolower(c)); });
    EXPECT_NE(lower.find("\\winsxs\\x86_microsoft.windows.common-controls_6595b64144ccf1df_6.0."),
              std::string::npos)
        << path;
}
