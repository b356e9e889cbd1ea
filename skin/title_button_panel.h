// CTitleButtonPanel: the small layered strip of title buttons (close,
// minimise, settings) that rides beside the calendar. The buttons only send
// messages to the panel's parent, which acts on them.
#pragma once

#include "framework/dialog.h"
#include "framework/tooltip_ctrl.h"
#include "skin/shape_button.h"

// Sent to the panel's parent by the settings and the minimise button.
constexpr UINT WM_PANEL_SETTINGS = WM_USER + 6;
constexpr UINT WM_PANEL_MINIMIZE = WM_USER + 7;

class CTitleButtonPanel : public CDialog {
public:
    explicit CTitleButtonPanel(CWnd* pParentWnd = nullptr);

    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void AddTooltips();
    void LayOutButtons();

    // Members are destroyed in reverse: tooltip first, close button last.
    CShapeButton m_btnClose;
    CShapeButton m_btnSettings;
    CShapeButton m_btnMinimize;
    CToolTipCtrl m_tooltip;
};
