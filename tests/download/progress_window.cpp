#include "tests/download/progress_window.h"

namespace {
const char kClassName[] = "WxbDownloadProgressTest";
}

ProgressWindow::ProgressWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc); // fails harmlessly when already registered
    m_hWnd = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, this);
}

ProgressWindow::~ProgressWindow() {
    if (m_hWnd != nullptr)
        DestroyWindow(m_hWnd);
}

LRESULT CALLBACK ProgressWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (message == kMessage && self != nullptr) {
        const auto* progress = reinterpret_cast<const DownloadProgress*>(lParam);
        self->m_records.push_back(
            {wParam, progress->kind, progress->total, progress->done, progress->fileName});
        if (self->m_onRecord)
            self->m_onRecord(self->m_records.back());
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
