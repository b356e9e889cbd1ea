// CCalendarDlg: the calendar's main window (template 102): a borderless,
// layered popup where the user left it (at first the top-left of the
// screen), cut to the shape of its mask and painted with its skin, whose
// face is the calendar page in the hosted WebBrowser control. The page is
// loaded again when it failed for a passing reason and when the date
// changes. The title button panel rides on its right edge while the mouse is
// over it; the settings window changes its display mode and transparency.
// It runs modally for the program's life.
#pragma once

#include "calendar/browser_events.h"
#include "calendar/network_watch.h"
#include "calendar/page_reload.h"
#include "calendar/settings_dlg.h"
#include "calendar/web_browser.h"
#include "framework/static_ctrl.h"
#include "skin/skin_button.h"
#include "skin/skin_dialog.h"
#include "skin/title_button_panel.h"

#include <memory>
#include <string>

class CCalendarDlg : public CSkinDialog {
public:
    explicit CCalendarDlg(CWnd* pParentWnd = nullptr);

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The local time the page's date is taken from; tests set a clock of
    // their own here.
    virtual SYSTEMTIME LocalTime() const;

private:
    void CreateHiddenLabel();
    void CreateOwnedWindows();
    void MovePanel(int x, int y);
    POINT StartingPlace(int width, int height) const;
    void SavePlace();

    void NavigatePage(bool bRetry);
    void OnPageFailed(long nStatus);
    void OnNetworkBack();
    void CheckDate();
    void OnResume();

    void OnTimer(UINT_PTR nIDEvent);
    void OnHoverTest();
    void OnLButtonDown(WPARAM keys, LPARAM point);
    void OnShowSettings();
    void OnMinimize();
    void OnSetZOrder(WPARAM nMode);
    LRESULT OnCustomControlSite(WPARAM nRequest, LPARAM lParam);
    bool OnSysCommand(WPARAM nID);
    void OnPaint();
    void OnEraseBkgnd(HDC hDC);
    LRESULT OnCtlColor(HDC hDC, HWND hControl);
    void OnSize(int cx, int cy);

    CSkinButton m_btnOK;      // hidden; its command opens a modal settings window
    CSkinButton m_btnCancel;  // hidden; its command closes the calendar
    CWebBrowser2 m_browser;
    HICON m_hIcon;  // shared resource icon: not destroyed
    std::string m_strUrl;
    CStatic m_hiddenLabel;
    std::unique_ptr<CTitleButtonPanel> m_pPanel;
    RECT m_rcWindow{};  // where the window was last seen: the hover test's area
    std::unique_ptr<CSettingsDlg> m_pSettings;
    CBrowserEvents m_pageEvents;
    PageReload m_reload;
    SYSTEMTIME m_pageDate{}; // the local date the page was last asked for
    CNetworkWatch m_networkWatch;
};
