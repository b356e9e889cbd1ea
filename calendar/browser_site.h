// CCustomControlSite: the WebBrowser control's client site. Next to the
// standard site's interfaces it answers IDocHostUIHandler, through which the
// calendar gives the browser no 3-D border, leaves it its own keys and
// context menu, and hands pages the external object.
//
// Windows that contain a control negotiate sites and context menus through
// the registered message "CustomControlSiteMsg", sent up the window chain:
// wParam kRequestSite with a SiteRequest, or kRequestContextMenu with a
// ContextMenuRequest. A window that answers non-zero ends the walk.
#pragma once

#include "framework/ole_control_site.h"

#include <mshtmhst.h>

// The id of "CustomControlSiteMsg", registered at static initialisation.
extern const UINT WM_CUSTOM_CONTROL_SITE;

enum : WPARAM {
    kRequestSite = 1,
    kRequestContextMenu = 2,
};

struct SiteRequest {
    COleControlContainer* pContainer;  // in: the container that needs a site
    COleControlSite* pSite;            // out: a new site with one reference, or null
};

struct ContextMenuRequest {
    DWORD dwID;              // the browser's context-menu kind
    POINT* pPoint;           // screen point of the request
    IUnknown* pCommandTarget;
    IDispatch* pObject;      // the object under the cursor
    HRESULT hrResult;        // the answer for the browser; preset to S_FALSE
};

// Sends the request to hWnd, then to its parent and so on, until a window
// answers non-zero (true) or the chain ends (false).
bool SendUpWindowChain(HWND hWnd, WPARAM nRequest, void* pRequest);

class CCustomControlSite : public COleControlSite, public IDocHostUIHandler {
public:
    // pExternal is the application's external object; it outlives the site.
    CCustomControlSite(COleControlContainer* pCtrlCont, IDispatch* pExternal);

    // IUnknown: the site's own interfaces and count, plus IDocHostUIHandler.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDocHostUIHandler
    STDMETHODIMP ShowContextMenu(DWORD dwID, POINT* ppt, IUnknown* pcmdtReserved, IDispatch* pdispReserved) override;
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* pInfo) override;
    STDMETHODIMP ShowUI(DWORD dwID, IOleInPlaceActiveObject* pActiveObject, IOleCommandTarget* pCommandTarget,
                        IOleInPlaceFrame* pFrame, IOleInPlaceUIWindow* pDoc) override;
    STDMETHODIMP HideUI() override;
    STDMETHODIMP UpdateUI() override;
    STDMETHODIMP EnableModeless(BOOL fEnable) override;
    STDMETHODIMP OnDocWindowActivate(BOOL fActivate) override;
    STDMETHODIMP OnFrameWindowActivate(BOOL fActivate) override;
    STDMETHODIMP ResizeBorder(LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow, BOOL fRameWindow) override;
    STDMETHODIMP TranslateAccelerator(LPMSG lpMsg, const GUID* pguidCmdGroup, DWORD nCmdID) override;
    STDMETHODIMP GetOptionKeyPath(LPOLESTR* pchKey, DWORD dw) override;
    STDMETHODIMP GetDropTarget(IDropTarget* pDropTarget, IDropTarget** ppDropTarget) override;
    STDMETHODIMP GetExternal(IDispatch** ppDispatch) override;
    STDMETHODIMP TranslateUrl(DWORD dwTranslate, LPWSTR pchURLIn, LPWSTR* ppchURLOut) override;
    STDMETHODIMP FilterDataObject(IDataObject* pDO, IDataObject** ppDORet) override;

    using COleControlSite::TranslateAccelerator;

private:
    IDispatch* m_pExternal;  // borrowed from the application object
};
