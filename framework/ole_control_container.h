// COleControlContainer: the ActiveX controls of one dialog. It creates them
// from the template's ActiveX items, each with a site from the installed
// COccManager, keeps them in the dialog's tab order, offers them their keys
// and tears them down with the dialog. Towards the controls it is the frame
// window of in-place activation.
#pragma once

#include "framework/dialog_template.h"
#include "framework/handles.h"

#include <ole2.h>

#include <vector>

class COleControlSite;
class CWnd;

class COleControlContainer : public IOleInPlaceFrame {
public:
    explicit COleControlContainer(CWnd* pWnd);
    virtual ~COleControlContainer();
    COleControlContainer(const COleControlContainer&) = delete;
    COleControlContainer& operator=(const COleControlContainer&) = delete;

    // Creates one control per item; an item whose control cannot be made is
    // left out.
    void CreateControls(const std::vector<OleControlItem>& items);
    COleControlSite* FindSite(int nID) const;
    // Closes every control and lets go of its site.
    void DestroyControls();
    // Hands a key message meant for a control's window to the control's
    // active object first; TRUE when the control used it.
    BOOL PreTranslateInput(MSG* pMsg);

    CWnd* m_pWnd;  // the dialog; null once the controls are gone

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IOleWindow
    STDMETHODIMP GetWindow(HWND* phwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL fEnterMode) override;

    // IOleInPlaceUIWindow
    STDMETHODIMP GetBorder(LPRECT lprectBorder) override;
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS pborderwidths) override;
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS pborderwidths) override;
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* pActiveObject, LPCOLESTR pszObjName) override;

    // IOleInPlaceFrame
    STDMETHODIMP InsertMenus(HMENU hmenuShared, LPOLEMENUGROUPWIDTHS lpMenuWidths) override;
    STDMETHODIMP SetMenu(HMENU hmenuShared, HOLEMENU holemenu, HWND hwndActiveObject) override;
    STDMETHODIMP RemoveMenus(HMENU hmenuShared) override;
    STDMETHODIMP SetStatusText(LPCOLESTR pszStatusText) override;
    STDMETHODIMP EnableModeless(BOOL fEnable) override;
    STDMETHODIMP TranslateAccelerator(LPMSG lpmsg, WORD wID) override;

private:
    void PlaceInTabOrder(HWND hControl, int nPosition);

    LONG m_cRef = 1;
    std::vector<ComPtr<COleControlSite>> m_sites;
    ComPtr<IOleInPlaceActiveObject> m_pActiveObject;
};
