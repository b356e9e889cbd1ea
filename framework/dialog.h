// CDialog: a dialog built from a DIALOGEX resource template, run modally
// (DoModal, with the application's message loop) or modeless (Create).
#pragma once

#include "framework/dialog_template.h"
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

// Binds rControl to dialog item nIDC the first time it runs.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// The text of item nIDC.
void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value);
// The index of the checked radio button in the group that starts at nIDC;
// -1 when none is checked. Loading any other index checks none.
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Runs the dialog modally; returns the EndDialog result, or -1 when the
    // dialog could not be created.
    INT_PTR DoModal();
    // Creates the dialog modeless; it stays until the object is destroyed.
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    // Ends a modal run with nResult; hides a modeless dialog.
    void EndDialog(int nResult);

    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

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
    bool m_bModal = false;
    bool m_bModalEnded = false;
    int m_nModalResult = -1;
};
