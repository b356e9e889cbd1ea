#include "tests/harness/titled_window.h"

namespace harness {

TitledWindow::TitledWindow(const std::string& title)
    : m_hWnd(::CreateWindowExA(0, "STATIC", title.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               ::GetModuleHandleA(nullptr), nullptr)) {}

TitledWindow::~TitledWindow() {
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

}  // namespace harness
