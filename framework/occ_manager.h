// COccManager: the process's control-container manager. While one is
// installed, dialogs create the ActiveX items of their templates, and every
// control gets its site from the manager's CreateSite, which a program may
// replace to hand out a site of its own.
#pragma once

#include <memory>

class COleControlContainer;
class COleControlSite;

class COccManager {
public:
    virtual ~COccManager() = default;

    // A new site for a control of pCtrlCont, carrying one reference for the
    // caller; null when none can be made.
    virtual COleControlSite* CreateSite(COleControlContainer* pCtrlCont);
};

// Installs the manager for the rest of the process; the framework owns it.
// A null manager switches ActiveX containment off again.
void AfxEnableControlContainer(std::unique_ptr<COccManager> pManager);
COccManager* AfxGetOccManager();
