// CCustomOccManager: the calendar's control-container manager. It asks the
// windows that contain a control for its site ("CustomControlSiteMsg",
// request kRequestSite) and falls back to the standard site when none
// answers with one.
#pragma once

#include "framework/occ_manager.h"

class CCustomOccManager : public COccManager {
public:
    COleControlSite* CreateSite(COleControlContainer* pCtrlCont) override;
};
