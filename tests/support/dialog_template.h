// Reads an extended dialog template (DLGTEMPLATEEX with its items) from the
// bytes of an RT_DIALOG resource, so tests can check what the resource
// compiler wrote. Needs no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A name-or-ordinal field: either a UTF-16 text or a 16-bit number.
struct TemplateName {
    std::u16string text;
    std::optional<uint16_t> ordinal;
};

struct DialogItem {
    uint32_t exStyle = 0;
    uint32_t style = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    uint32_t id = 0;
    TemplateName windowClass;  // predefined classes may come as ordinals 0x80..0x85
    TemplateName title;

    // The class name in lower case, predefined ordinals spelled out.
    std::u16string ClassName() const;
};

struct DialogTemplate {
    uint32_t exStyle = 0;
    uint32_t style = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    TemplateName menu;
    TemplateName windowClass;
    std::u16string caption;
    uint16_t pointSize = 0;  // font fields are present with DS_SETFONT
    uint16_t weight = 0;
    uint8_t italic = 0;
    uint8_t charset = 0;
    std::u16string typeface;
    std::vector<DialogItem> items;

    // The first item with this id, or null.
    const DialogItem* Find(uint32_t id) const;
};

// Parses the template; nothing when the bytes are not a whole extended
// template.
std::optional<DialogTemplate> ParseDialogTemplateEx(const uint8_t* data, size_t size);
