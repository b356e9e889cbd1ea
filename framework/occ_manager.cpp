#include "framework/occ_manager.h"

#include "framework/ole_control_site.h"

#include <new>

namespace {
std::unique_ptr<COccManager>& InstalledManager() {
    static std::unique_ptr<COccManager> manager;
    return manager;
}
}  // namespace

COleControlSite* COccManager::CreateSite(COleControlContainer* pCtrlCont) {
    return new (std::nothrow) COleControlSite(pCtrlCont);
}

void AfxEnableControlContainer(std::unique_ptr<COccManager> pManager) {
    InstalledManager() = std::move(pManager);
}

COccManager* AfxGetOccManager() {
    return InstalledManager().get();
}
