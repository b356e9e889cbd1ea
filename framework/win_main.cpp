// The programs' entry point. It lives in its own object library
// (framework_main) because a WinMain inside a static library would not be
// pulled in by the C runtime's startup code.
#include "framework/win_app.h"

#include <commctrl.h>

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    CWinApp* app = AfxGetApp();
    if (!app)
        return 1;
    app->m_hInstance = hInstance;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    // Dialog programs do their whole run inside the start hook, which then
    // returns FALSE: there is no application message loop to enter.
    app->InitInstance();
    return 0;
}
