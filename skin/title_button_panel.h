// CTitleButtonPanel: the small layered strip of title buttons (close,
// minimise, settings) that rides beside its parent. The program hands it
// its template, the buttons' pictures and tooltips and the messages they
// send; the buttons only send those messages to the panel's parent, which
// acts on them.
#pragma once

#include "framework/dialog.h"
#include "framework/tooltip_ctrl.h"
#include "skin/shape_button.h"

// One button of the panel.
struct TitleButton {
    int nControlID;     // the button in the panel's template
    UINT nShapeID;      // shape and mask bitmap: pure white is cut away
    UINT nHoverID;      // also drawn while the button is pressed
    UINT nNormalID;     // its size is the button's
    const char* pszTip; // the tooltip's text
    UINT nMessage;      // sent to the parent on a click
};

struct TitleButtonPanelSkin {
    UINT nTemplateID;
    // Its control is the template's OK button, IDOK, so that the dialog
    // keys reach it too.
    TitleButton close;
    TitleButton minimize;
    TitleButton settings;
};

class CTitleButtonPanel : public CDialog {
public:
    // The skin's texts must outlive the panel.
    CTitleButtonPanel(const TitleButtonPanelSkin& skin, CWnd* pParentWnd = nullptr);

    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void AddTooltips();
    void LayOutButtons();

    const TitleButtonPanelSkin m_skin;
    // Members are destroyed in reverse: tooltip first, close button last.
    CShapeButton m_btnClose;
    CShapeButton m_btnSettings;
    CShapeButton m_btnMinimize;
    CToolTipCtrl m_tooltip;
};
