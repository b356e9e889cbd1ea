#include <winsock2.h>

#include "updater/update_app.h"

#include "download/socket_handles.h"
#include "updater/installer_copy.h"
#include "updater/update_dlg.h"
#include "updater/update_messages.h"

#include <cstdlib>

namespace {

CUpdateApp theApp;

// Makes the executable's directory the current directory.
void EnterProgramDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    char drive[_MAX_DRIVE] = {};
    char directory[_MAX_DIR] = {};
    _splitpath(path, drive, directory, nullptr, nullptr);
    SetCurrentDirectoryA((std::string(drive) + directory).c_str());
}

} // namespace

const UpdateBlock* CUpdateApp::OpenBlock(const char* name, bool& opened) {
    opened = false;
    m_hMapping.reset(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name));
    if (!m_hMapping)
        return nullptr;
    m_view.reset(MapViewOfFile(m_hMapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (!m_view)
        return nullptr;
    // A mapping smaller than the layout would be read past its end.
    MEMORY_BASIC_INFORMATION region{};
    if (!VirtualQuery(m_view.get(), &region, sizeof region) || region.RegionSize < sizeof(UpdateBlock))
        return nullptr;
    opened = true;
    return static_cast<const UpdateBlock*>(m_view.get());
}

BOOL CUpdateApp::InitInstance() {
    // Windows Sockets for the downloader, for the whole run.
    WinsockScope winsock;
    if (!winsock.ok())
        return FALSE;
    bool opened = false;
    const UpdateBlock* block = OpenBlock(kUpdateBlockName, opened);
    // Without the host's block there is no update to offer: end quietly, as
    // every refused start of the suite's programs does.
    if (!opened)
        return FALSE;
    EnterProgramDirectory();
    // The copies earlier updates started from, now that their installers
    // are likely done.
    CInstallerCopy::RemoveEarlierFolders();

    CUpdateDlg dlg(block);
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    // The worker did not stop within the bound when the user left: the
    // process ends at once, so that nothing the worker uses is torn down
    // under it. What arrived stays in the downloader's temporary file.
    if (dlg.WorkerRunning())
        ExitProcess(0);
    return FALSE;
}
