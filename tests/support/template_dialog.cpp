#include "tests/support/template_dialog.h"

namespace {

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

}  // namespace

TemplateDialog::TemplateDialog(int id)
    : m_hWnd(CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr,
                                QuietDialogProc, 0)) {}

TemplateDialog::~TemplateDialog() {
    if (m_hWnd)
        DestroyWindow(m_hWnd);
}
