#include "framework/dialog_template.h"

#include <cstddef>
#include <cstring>
#include <string>

namespace {

// Fixed part of a DLGTEMPLATEEX header and of its items.
#pragma pack(push, 1)
struct TemplateHeader {
    WORD dlgVer;
    WORD signature;
    DWORD helpID;
    DWORD exStyle;
    DWORD style;
    WORD cDlgItems;
    short x, y, cx, cy;
};
struct ItemHeader {
    DWORD helpID;
    DWORD exStyle;
    DWORD style;
    short x, y, cx, cy;
    DWORD id;
};
#pragma pack(pop)

// Reads the template's byte stream within its resource size; every read is
// checked, so a damaged template fails the load instead of reading past it.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, size_t size) : m_data(data), m_size(size) {}

    size_t Offset() const { return m_offset; }
    bool Ok() const { return m_ok; }

    const BYTE* Take(size_t n) {
        if (!m_ok || n > m_size - m_offset) {
            m_ok = false;
            return nullptr;
        }
        const BYTE* p = m_data + m_offset;
        m_offset += n;
        return p;
    }
    WORD Word() {
        const BYTE* p = Take(sizeof(WORD));
        WORD w = 0;
        if (p)
            std::memcpy(&w, p, sizeof w);
        return w;
    }
    void AlignDword() {
        size_t pad = (4 - m_offset % 4) % 4;
        if (pad > m_size - m_offset)
            m_offset = m_size;  // padding after the last item may be missing
        else
            m_offset += pad;
    }
    // A null-terminated UTF-16 string.
    std::wstring String() {
        std::wstring text;
        for (WORD c = Word(); m_ok && c != 0; c = Word())
            text.push_back(static_cast<wchar_t>(c));
        return text;
    }
    // A name that is either empty (0x0000), an ordinal (0xFFFF, n) or a string.
    std::wstring NameOrOrdinal() {
        WORD first = Word();
        if (first == 0x0000)
            return {};
        if (first == 0xFFFF) {
            Word();
            return {};
        }
        std::wstring text(1, static_cast<wchar_t>(first));
        return text + String();
    }

private:
    const BYTE* m_data;
    size_t m_size;
    size_t m_offset = 0;
    bool m_ok = true;
};

}  // namespace

bool DialogTemplate::Load(HINSTANCE hInstance, UINT nIDTemplate) {
    m_bytes.clear();
    m_oleItems.clear();
    HRSRC info = ::FindResourceA(hInstance, MAKEINTRESOURCEA(nIDTemplate), MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    HGLOBAL handle = info ? ::LoadResource(hInstance, info) : nullptr;
    const BYTE* data = handle ? static_cast<const BYTE*>(::LockResource(handle)) : nullptr;
    if (!data)
        return false;
    const size_t size = ::SizeofResource(hInstance, info);

    TemplateReader reader(data, size);
    const BYTE* rawHeader = reader.Take(sizeof(TemplateHeader));
    if (!rawHeader)
        return false;
    TemplateHeader header;
    std::memcpy(&header, rawHeader, sizeof header);
    if (header.dlgVer != 1 || header.signature != 0xFFFF)
        return false;
    m_style = header.style;
    reader.NameOrOrdinal();  // menu
    reader.NameOrOrdinal();  // window class
    reader.String();         // title
    if (header.style & (DS_SETFONT | DS_SHELLFONT)) {
        reader.Take(2 * sizeof(WORD) + 2);  // point size, weight, italic, charset
        reader.String();                    // typeface
    }
    if (!reader.Ok())
        return false;

    std::vector<BYTE> copy(data, data + reader.Offset());
    WORD kept = 0;
    for (WORD i = 0; i < header.cDlgItems; ++i) {
        reader.AlignDword();
        const size_t start = reader.Offset();
        const BYTE* rawItem = reader.Take(sizeof(ItemHeader));
        std::wstring className = reader.NameOrOrdinal();
        reader.NameOrOrdinal();  // title
        WORD extra = reader.Word();
        reader.Take(extra);
        if (!reader.Ok())
            return false;
        ItemHeader item;
        std::memcpy(&item, rawItem, sizeof item);

        CLSID clsid;
        if (!className.empty() && className[0] == L'{' &&
            SUCCEEDED(::CLSIDFromString(const_cast<LPOLESTR>(className.c_str()), &clsid))) {
            RECT rect{item.x, item.y, item.x + item.cx, item.y + item.cy};
            m_oleItems.push_back({clsid, static_cast<int>(item.id), rect, item.style, item.exStyle, kept});
        } else {
            copy.resize((copy.size() + 3) & ~size_t{3}, 0);
            copy.insert(copy.end(), data + start, data + reader.Offset());
            ++kept;
        }
    }

    std::memcpy(copy.data() + offsetof(TemplateHeader, cDlgItems), &kept, sizeof kept);
    m_bytes.assign((copy.size() + 3) / 4, 0);
    std::memcpy(m_bytes.data(), copy.data(), copy.size());
    return true;
}
