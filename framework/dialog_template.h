// A dialog template (DIALOGEX) from the program's resources, copied without
// its ActiveX items: the system dialog manager cannot create an item whose
// class is a "{CLSID}", so the framework hosts those controls itself at the
// item's rectangle once the dialog exists.
#pragma once

#include <windows.h>

#include <vector>

struct OleControlItem {
    CLSID clsid;
    int nID;
    RECT rect;  // dialog units
    DWORD style;
    DWORD exStyle;
    // Ordinary items before it in the template: the dialog creates those as
    // its first children, and the control belongs after them in tab order.
    int nItemsBefore;
};

class DialogTemplate {
public:
    // Loads template nIDTemplate of hInstance; false when it is missing or
    // not an extended template.
    bool Load(HINSTANCE hInstance, UINT nIDTemplate);

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_bytes.data()); }
    DWORD Style() const { return m_style; }
    const std::vector<OleControlItem>& OleItems() const { return m_oleItems; }

private:
    std::vector<DWORD> m_bytes;  // DWORD elements keep the copy DWORD-aligned
    DWORD m_style = 0;
    std::vector<OleControlItem> m_oleItems;
};
