#include "calendar/custom_occ_manager.h"

#include "calendar/browser_site.h"
#include "framework/ole_control_container.h"
#include "framework/wnd.h"

COleControlSite* CCustomOccManager::CreateSite(COleControlContainer* pCtrlCont) {
    if (!pCtrlCont)
        return nullptr;
    SiteRequest request{pCtrlCont, nullptr};
    HWND hWnd = pCtrlCont->m_pWnd ? pCtrlCont->m_pWnd->m_hWnd : nullptr;
    if (SendUpWindowChain(hWnd, kRequestSite, &request) && request.pSite)
        return request.pSite;
    return COccManager::CreateSite(pCtrlCont);
}
