// GoogleTest checks shared by the resource tests of both programs.
#pragma once

#include <cstdint>

#include "tests/support/dialog_template.h"

struct ItemSpec {
    uint32_t id;
    const char16_t* className;  // in lower case
    const char16_t* title;
    int16_t x, y, cx, cy;
    uint32_t style;
};

// Expects item number index of the template to be exactly as given.
void ExpectItem(const DialogTemplate& dialog, size_t index, const ItemSpec& expected);
// Expects the template's font to be the given face and size.
void ExpectFont(const DialogTemplate& dialog, const char16_t* face, uint16_t pointSize);

// Expects about box dialogId: a captioned box with the system menu, the
// program icon, the version line, a further line and an OK button.
void ExpectAboutBox(int dialogId, const char16_t* caption, const char16_t* versionLine,
                    int iconId);
// Expects every resource of this program to be in Chinese (PRC), 0x804.
void ExpectAllResourcesChinesePrc();
// Expects the icon group id to hold 32-bit 16, 32 and 48 pixel images that
// LoadImage finds at those sizes.
void ExpectIconSizes(int id);
// Expects the application manifest (resource 1) of the program at exePath
// to bind version 6 of the common controls, to ask for no elevation and to
// name every Windows version from Vista on, and the loader to honour it.
void ExpectApplicationManifest(const char* exePath);
