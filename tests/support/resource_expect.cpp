#include "tests/support/resource_expect.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "framework/handles.h"
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

void ExpectApplicationManifest(const char* exePath) {
    UniqueLibrary exe(LoadLibraryExA(exePath, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(exe) << exePath;
    HRSRC info = FindResourceA(exe.get(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)); // RT_MANIFEST
    ASSERT_TRUE(info);
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(exe.get(), info))),
                               SizeofResource(exe.get(), info));
    for (const char* part :
         {"name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
          // Any architecture: the same manifest serves the i686 and the x86_64 build.
          "processorArchitecture=\"*\"", "publicKeyToken=\"6595b64144ccf1df\"",
          "<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">",
          "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
          "<compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">",
          // Vista, 7, 8, 8.1, 10 and 11.
          "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
          "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
          "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        EXPECT_NE(manifest.find(part), std::string::npos) << part;

    // The loader reads the same: an activation context made from the
    // program's manifest runs as its invoker, without UI access, and lists
    // the five versions.
    ACTCTXA request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = exePath;
    request.lpResourceName = MAKEINTRESOURCEA(1);
    HANDLE context = CreateActCtxA(&request);
    ASSERT_NE(context, INVALID_HANDLE_VALUE);
    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION runLevel{};
    EXPECT_TRUE(QueryActCtxW(0, context, nullptr, RunlevelInformationInActivationContext, &runLevel,
                             sizeof runLevel, nullptr));
    EXPECT_EQ(runLevel.RunLevel, ACTCTX_RUN_LEVEL_AS_INVOKER);
    EXPECT_EQ(runLevel.UiAccess, 0u);
    // Only the count is read: the size of an element differs between
    // Windows versions (newer ones add the highest version tested).
    DWORD compatibility[64] = {};
    EXPECT_TRUE(QueryActCtxW(0, context, nullptr, CompatibilityInformationInActivationContext, compatibility,
                             sizeof compatibility, nullptr));
    EXPECT_EQ(compatibility[0], 5u);
    ReleaseActCtx(context);

    // This test program links the same manifest, and the loader took it:
    // comctl32 comes from the side-by-side store of version 6 for this
    // build's architecture. (Wine's
    // DllGetVersion says 5.81 for both versions, so the module's path is
    // what tells them apart.)
    INITCOMMONCONTROLSEX init{sizeof init, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&init);
    char path[MAX_PATH] = {};
    ASSERT_TRUE(GetModuleFileNameA(GetModuleHandleA("comctl32.dll"), path, sizeof path));
    std::string lower(path);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(tolower(c)); });
#ifdef _WIN64
    const char* assembly = "\\winsxs\\amd64_microsoft.windows.common-controls_6595b64144ccf1df_6.0.";
#else
    const char* assembly = "\\winsxs\\x86_microsoft.windows.common-controls_6595b64144ccf1df_6.0.";
#endif
    EXPECT_NE(lower.find(assembly),
              std::string::npos)
        << path;
}
