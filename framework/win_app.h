// CWinApp: the one application object of a program. The program derives
// from it and defines one static instance; WinMain (framework_main) calls
// its InitInstance hook, in which a dialog program does all its work.
#pragma once

#include <windows.h>

#include <string>

class CWnd;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The instance-start hook. A dialog program runs its dialogs here and
    // returns FALSE, which ends the process.
    virtual BOOL InitInstance();

    // Takes one message from the thread's queue and dispatches it after
    // offering it to PreTranslateMessage. FALSE when WM_QUIT arrived (it is
    // posted again for the loops further out).
    BOOL PumpMessage();

    // Offers the message to the objects of its window and of that window's
    // parents, innermost first, up to the top-level window.
    virtual BOOL PreTranslateMessage(MSG* pMsg);

    HINSTANCE m_hInstance;
    CWnd* m_pMainWnd = nullptr;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
// A string resource of the program; empty when it is missing.
std::string AfxLoadString(UINT nID);
