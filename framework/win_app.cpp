#include "framework/win_app.h"

#include "framework/wnd.h"

namespace {
CWinApp* g_pApp = nullptr;
}

CWinApp::CWinApp() : m_hInstance(::GetModuleHandleA(nullptr)) {
    g_pApp = this;
}

CWinApp::~CWinApp() {
    if (g_pApp == this)
        g_pApp = nullptr;
}

BOOL CWinApp::InitInstance() {
    return FALSE;
}

BOOL CWinApp::PumpMessage() {
    MSG msg;
    int got = ::GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
        if (got == 0)
            ::PostQuitMessage(static_cast<int>(msg.wParam));
        return FALSE;
    }
    if (!PreTranslateMessage(&msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return TRUE;
}

BOOL CWinApp::PreTranslateMessage(MSG* pMsg) {
    for (HWND hWnd = pMsg->hwnd; hWnd; hWnd = ::GetParent(hWnd)) {
        if (CWnd* wnd = CWnd::FromHandle(hWnd)) {
            if (wnd->PreTranslateMessage(pMsg))
                return TRUE;
        }
        // GetParent of a top-level popup is its owner: another window's
        // chain, which must not see this message.
        if (!(::GetWindowLongA(hWnd, GWL_STYLE) & WS_CHILD))
            break;
    }
    return FALSE;
}

CWinApp* AfxGetApp() {
    return g_pApp;
}

CWnd* AfxGetMainWnd() {
    return g_pApp ? g_pApp->m_pMainWnd : nullptr;
}

std::string AfxLoadString(UINT nID) {
    char text[512] = "";
    ::LoadStringA(AfxGetInstanceHandle(), nID, text, sizeof text);
    return text;
}

HINSTANCE AfxGetInstanceHandle() {
    return g_pApp ? g_pApp->m_hInstance : ::GetModuleHandleA(nullptr);
}
