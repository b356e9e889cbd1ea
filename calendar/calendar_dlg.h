// CCalendarDlg: the calendar's main window (template 102): a borderless,
// layered popup at the top-left of the screen whose face is the calendar
// page in the hosted WebBrowser control. It keeps the display mode and the
// transparency of the settings file and runs modally for the program's life.
#pragma once

#include "calendar/web_browser.h"
#include "framework/dialog.h"
#include "framework/static_ctrl.h"

#include <string>

class CCalendarDlg : public CDialog {
public:
    explicit CCalendarDlg(CWnd* pParentWnd = nullptr);

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void AddAboutItem();
    void MakeLayered();
    void CreateHiddenLabel();
    void ApplyTransparency(int nProgress);

    void OnSetZOrder(WPARAM nMode);
    LRESULT OnCustomControlSite(WPARAM nRequest, LPARAM lParam);
    bool OnSysCommand(WPARAM nID);
    void OnPaint();
    LRESULT OnCtlColor(HDC hDC, HWND hControl);
    void OnSize(int cx, int cy);

    CWebBrowser2 m_browser;
    HICON m_hIcon;  // shared resource icon: not destroyed
    std::string m_strUrl;
    CStatic m_hiddenLabel;
};
