// CSettingsDlg: the calendar's small skinned settings window (template 132):
// display mode (normal or always on top) and a transparency slider. Every
// change is saved to the settings file and applied at once: the display mode
// through a message to the main window, the transparency on the main window
// and on the title button panel.
#pragma once

#include "framework/handles.h"
#include "skin/shape_button.h"
#include "skin/skin_dialog.h"

class CSettingsDlg : public CSkinDialog {
public:
    explicit CSettingsDlg(CWnd* pParentWnd = nullptr);

    // The windows the modeless instance serves; the modal one has none, and
    // what would go to a missing window is skipped.
    void SetTargets(HWND hMainWnd, HWND hPanel);

    // Alpha of the main window (the application's) and of the panel from a
    // slider position.
    void ApplyTransparency(int nProgress);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnDisplayMode(int nMode);
    void OnSliderRepaint();
    void DrawSkin(HDC hDC);
    LRESULT OnCtlColor(UINT message, HDC hDC, HWND hControl);

    CShapeButton m_btnClose;
    int m_nDisplayMode;           // 0 normal, 1 always on top
    HWND m_hMainWnd = nullptr;    // borrowed: the calendar's main window
    HWND m_hPanel = nullptr;      // borrowed: the title button panel
    UniqueBrush m_brushSlider;
};
