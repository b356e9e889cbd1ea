// CDialog: a dialog built from a DIALOGEX resource template, run modally
// (DoModal, with the application's message loop) or modeless (Create).
#pragma once

#include "framework/dialog_template.h"
#include "framework/handles.h"
#include "framework/ole_control_container.h"
#include "framework/wnd.h"

#include <string>

class CDialog;

// Direction of a data exchange between a dialog's controls and its members.
class CDataExchange {
public:
    CDataExchange(CDialog* pDlgWnd, BOOL bSaveAndValidate) : m_pDlgWnd(pDlgWnd), m_bSaveAndValidate(bSaveAndValidate) {}
    CDialog* m_pDlgWnd;
    BOOL m_bSaveAndValidate;  // TRUE: controls to members; FALSE: members to controls
};

// Binds rControl to dialog item nIDC the first time it runs; for an ActiveX
// item the wrapper also gets the control's site (m_pCtrlSite).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// The text of item nIDC.
void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value);
// The index of the checked radio button in the group that starts at nIDC;
// -1 when none is checked. Loading any other index checks none.
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Runs the dialog modally; returns the EndDialog result, or -1 when the
    // dialog could not be created.
    INT_PTR DoModal();
    // Creates the dialog modeless; it stays until the object is destroyed.
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    // Ends a modal run with nResult; hides a modeless dialog.
    void EndDialog(int nResult);

    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // Appends a separator and string resource nIDString as command
    // nIDCommand to the system menu, when the window has one and the string
    // is not empty.
    void AppendSystemMenuItem(UINT nIDString, UINT nIDCommand);

    // The site of ActiveX item nID, or null.
    COleControlSite* GetControlSite(int nID) const;

    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual void OnOK();
    virtual void OnCancel();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND CreateFromTemplate();
    HWND OwnerWindow() const;
    BOOL HandleInitDialog();
    void CenterIfUnplaced(const RECT& rectBefore);

    DialogTemplate m_template;
    // The template's ActiveX controls, while a control-container manager is
    // installed and the template has any.
    ComPtr<COleControlContainer> m_pCtrlCont;
    bool m_bModal = false;
    bool m_bModalEnded = false;
    int m_nModalResult = -1;
};
