#include "tests/support/dialog_template.h"

namespace {

constexpr uint32_t kSetFont = 0x40;  // DS_SETFONT, also part of DS_SHELLFONT

// Little-endian reader over the template bytes; every read checks bounds.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool Word(uint16_t& out) {
        if (m_pos + 2 > m_size)
            return false;
        out = static_cast<uint16_t>(m_data[m_pos] | m_data[m_pos + 1] << 8);
        m_pos += 2;
        return true;
    }
    bool Dword(uint32_t& out) {
        uint16_t low = 0, high = 0;
        if (!Word(low) || !Word(high))
            return false;
        out = low | static_cast<uint32_t>(high) << 16;
        return true;
    }
    bool Short(int16_t& out) {
        uint16_t w = 0;
        if (!Word(w))
            return false;
        out = static_cast<int16_t>(w);
        return true;
    }
    bool Byte(uint8_t& out) {
        if (m_pos + 1 > m_size)
            return false;
        out = m_data[m_pos++];
        return true;
    }
    bool Text(std::u16string& out) {
        out.clear();
        for (uint16_t c = 0;;) {
            if (!Word(c))
                return false;
            if (c == 0)
                return true;
            out.push_back(static_cast<char16_t>(c));
        }
    }
    bool Name(TemplateName& out) {
        uint16_t first = 0;
        if (!Word(first))
            return false;
        if (first == 0)
            return true;
        if (first == 0xFFFF) {
            uint16_t ordinal = 0;
            if (!Word(ordinal))
                return false;
            out.ordinal = ordinal;
            return true;
        }
        m_pos -= 2;
        return Text(out.text);
    }
    bool Skip(size_t n) {
        if (m_pos + n > m_size)
            return false;
        m_pos += n;
        return true;
    }
    void AlignDword() { m_pos = (m_pos + 3) & ~size_t{3}; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

bool ReadItem(Reader& r, DialogItem& item) {
    uint32_t helpId = 0;
    uint16_t extra = 0;
    r.AlignDword();
    return r.Dword(helpId) && r.Dword(item.exStyle) && r.Dword(item.style) && r.Short(item.x) &&
           r.Short(item.y) && r.Short(item.cx) && r.Short(item.cy) && r.Dword(item.id) &&
           r.Name(item.windowClass) && r.Name(item.title) && r.Word(extra) && r.Skip(extra);
}

}  // namespace

std::u16string DialogItem::ClassName() const {
    if (windowClass.ordinal) {
        switch (*windowClass.ordinal) {
        case 0x80: return u"button";
        case 0x81: return u"edit";
        case 0x82: return u"static";
        case 0x83: return u"listbox";
        case 0x84: return u"scrollbar";
        case 0x85: return u"combobox";
        default: {
            std::u16string number = u"#";
            for (char c : std::to_string(*windowClass.ordinal))
                number += static_cast<char16_t>(c);
            return number;
        }
        }
    }
    std::u16string name = windowClass.text;
    for (char16_t& c : name)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    return name;
}

const DialogItem* DialogTemplate::Find(uint32_t id) const {
    for (const DialogItem& item : items)
        if (item.id == id)
            return &item;
    return nullptr;
}

std::optional<DialogTemplate> ParseDialogTemplateEx(const uint8_t* data, size_t size) {
    Reader r(data, size);
    DialogTemplate t;
    uint16_t version = 0, signature = 0, count = 0;
    uint32_t helpId = 0;
    if (!r.Word(version) || !r.Word(signature) || version != 1 || signature != 0xFFFF)
        return std::nullopt;
    if (!r.Dword(helpId) || !r.Dword(t.exStyle) || !r.Dword(t.style) || !r.Word(count) ||
        !r.Short(t.x) || !r.Short(t.y) || !r.Short(t.cx) || !r.Short(t.cy) || !r.Name(t.menu) ||
        !r.Name(t.windowClass) || !r.Text(t.caption))
        return std::nullopt;
    if (t.style & kSetFont) {
        if (!r.Word(t.pointSize) || !r.Word(t.weight) || !r.Byte(t.italic) || !r.Byte(t.charset) ||
            !r.Text(t.typeface))
            return std::nullopt;
    }
    t.items.resize(count);
    for (DialogItem& item : t.items)
        if (!ReadItem(r, item))
            return std::nullopt;
    return t;
}
