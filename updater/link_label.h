// CLinkLabel: a dialog's static text made into a web link: underlined, in
// link colours that follow hover and visits, with a hand cursor and a
// tooltip showing the address; a click opens the address in the browser.
#pragma once

#include "framework/handles.h"
#include "framework/static_ctrl.h"
#include "framework/tooltip_ctrl.h"

#include <string>

class CLinkLabel : public CStatic {
public:
    CLinkLabel();

    void SetURL(const std::string& address);
    const std::string& URL() const { return m_strUrl; }
    void SetVisited(bool visited);
    bool Visited() const { return m_bVisited; }
    bool Hovering() const { return m_bHovering; }
    COLORREF TextColour() const;

    // Opens the address with the shell, else with the registered browser's
    // command. Returns the result: above 32 is success, else an error code.
    static INT_PTR OpenAddress(const std::string& address, int showCommand);

    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    void PreSubclassWindow() override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FitToText();
    void LoadLinkCursor();
    void Redraw();
    void OnClicked();
    void ReportError(INT_PTR result);

    COLORREF m_crUnvisited = RGB(0, 0, 238);
    COLORREF m_crVisited = RGB(85, 26, 139);
    COLORREF m_crHover;
    bool m_bHovering = false;
    bool m_bVisited = false;
    bool m_bUnderline = true;
    bool m_bFitToText = true;
    std::string m_strUrl;
    UniqueFont m_linkFont;
    UniqueIcon m_linkCursor; // a copy of winhlp32's hand cursor
    CToolTipCtrl m_toolTip;
};
