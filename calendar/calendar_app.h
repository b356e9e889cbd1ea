// CCalendarApp: the calendar program. Its start-up asks the suite library
// whether the calendar may run, fixes the working directory, leaves the
// suite its version stamp, sets up browser hosting and runs the main window
// for the program's life.
#pragma once

#include "calendar/external_dispatch.h"
#include "framework/win_app.h"

#include <memory>
#include <string>

// The executable's directory with a trailing backslash; every file of the
// program lies there. Empty until start-up sets it.
extern std::string ModuleDirectory;
// The user's own folder of the calendar, "Wexbury\Tessaly\" in the user's
// application data, with a trailing backslash: where the calendar's files
// go when the program's folder cannot be written. Empty until start-up sets
// it, and when the system names no such folder.
extern std::string UserDirectory;
// Creates UserDirectory when it is missing; false when there is none.
bool MakeUserDirectory();

class CCalendarApp : public CWinApp {
public:
    // Returns FALSE in every case: the program ends when this returns.
    BOOL InitInstance() override;

    // The page's window.external, for the program's whole life.
    std::unique_ptr<CExternalDispatch> m_pExternal;

private:
    static bool SuiteAllowsStart();
    static void EnterModuleDirectory();
    static void FindUserDirectory();
};

extern CCalendarApp theApp;
