#include "updater/progress_receiver.h"

#include "updater/update_messages.h"

namespace {

constexpr char kClassName[] = "WexburyProgressReceiver";

} // namespace

CProgressReceiver::~CProgressReceiver() {
    if (m_hWnd)
        DestroyWindow(m_hWnd);
}

bool CProgressReceiver::Create(Handler handler) {
    m_handler = std::move(handler);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassA(&windowClass); // fails harmlessly once it is registered
    m_hWnd =
        CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, this);
    return m_hWnd != nullptr;
}

LRESULT CALLBACK CProgressReceiver::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtrA(
            hWnd, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
        break;
    case WM_UPDATE_PROGRESS:
        if (auto* self = reinterpret_cast<CProgressReceiver*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA)))
            self->m_handler(wParam, reinterpret_cast<const DownloadProgress*>(lParam));
        return 0;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}
