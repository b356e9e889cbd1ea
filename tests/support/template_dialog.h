// A modeless dialog built by the dialog manager from one of this program's
// templates, with a procedure that handles nothing; destroyed with the object.
#pragma once

#include <windows.h>

class TemplateDialog {
public:
    explicit TemplateDialog(int id);
    ~TemplateDialog();
    TemplateDialog(const TemplateDialog&) = delete;
    TemplateDialog& operator=(const TemplateDialog&) = delete;

    HWND get() const { return m_hWnd; }

private:
    HWND m_hWnd;
};
