#include "calendar/calendar_app.h"

#include "calendar/calendar_dlg.h"
#include "calendar/custom_occ_manager.h"
#include "calendar/splash_dlg.h"
#include "framework/handles.h"
#include "framework/occ_manager.h"
#include "suite/wxbcomm.h"

#include <shlobj.h>
#include <shlwapi.h>

std::string ModuleDirectory;
std::string UserDirectory;
CCalendarApp theApp;

BOOL CCalendarApp::InitInstance() {
    m_pExternal = std::make_unique<CExternalDispatch>();
    if (!SuiteAllowsStart())
        return FALSE;

    EnterModuleDirectory();
    FindUserDirectory();
    ::WritePrivateProfileStringA("u", "v", "3231", (ModuleDirectory + "ver.ini").c_str());

    OleInitScope ole;
    AfxEnableControlContainer(std::make_unique<CCustomOccManager>());
    // Dialog controls take the system's visual styles from the common-controls
    // manifest; there is no separate 3-D styling to switch on.

    // The splash closes itself after two seconds; only then does the main
    // window exist.
    CSplashDlg splash;
    splash.DoModal();

    CCalendarDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}

// The suite library decides: "IsRun" for this program, then
// "CheakMainWndRun" for the suite host's window. A missing library or export
// counts as a refusal; a refused export is never followed by the next.
bool CCalendarApp::SuiteAllowsStart() {
    UniqueLibrary suite(::LoadLibraryA("wxbcomm.dll"));
    if (!suite)
        return false;
    auto isRun = reinterpret_cast<WxbIsRunProc>(reinterpret_cast<void*>(::GetProcAddress(suite.get(), "IsRun")));
    if (!isRun || !isRun(WxbTextAlloc("Tessaly")))
        return false;
    auto checkMainWnd = reinterpret_cast<WxbCheakMainWndRunProc>(
        reinterpret_cast<void*>(::GetProcAddress(suite.get(), "CheakMainWndRun")));
    return checkMainWnd && checkMainWnd(WxbTextAlloc("Wexbury"));
}

// Files are addressed beside the executable, whatever directory the
// program was started from. The shell's path functions step over whole
// characters of the ANSI code page, whose second bytes may equal '\\'.
void CCalendarApp::EnterModuleDirectory() {
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    ::PathRemoveFileSpecA(path);
    ::PathAddBackslashA(path);
    ::SetCurrentDirectoryA(path);
    ModuleDirectory = path;
}

void CCalendarApp::FindUserDirectory() {
    char path[MAX_PATH] = "";
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)) ||
        !::PathAppendA(path, "Wexbury\\Tessaly") || !::PathAddBackslashA(path))
        return;
    UserDirectory = path;
}

bool MakeUserDirectory() {
    if (UserDirectory.empty())
        return false;
    const int result = ::SHCreateDirectoryExA(nullptr, UserDirectory.c_str(), nullptr);
    return result == ERROR_SUCCESS || result == ERROR_ALREADY_EXISTS || result == ERROR_FILE_EXISTS;
}
