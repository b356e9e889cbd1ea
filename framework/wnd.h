// CWnd: the C++ object behind a window. Each class handles its messages in
// one place, its WindowProc override, and passes the rest to its base class;
// the framework's base passes them to the window's previous procedure.
#pragma once

#include <windows.h>

#include <string>

class COleControlSite;

// The text of any window.
std::string WindowText(HWND hWnd);

class CWnd {
public:
    CWnd();
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    // The object attached to a window, or null when the window has none.
    static CWnd* FromHandle(HWND hWnd);

    // Attaches this object to an existing window (a dialog control) and
    // routes the window's messages through WindowProc. The object does not
    // own such a window: it never destroys it.
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    // Detaches from the window and gives its previous procedure back.
    HWND UnsubclassWindow();

    // Creates a window of a system class owned by this object; it is
    // destroyed with the object.
    BOOL CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                  const RECT& rect, HWND hParent, UINT nID);
    BOOL DestroyWindow();

    // The site of the ActiveX control this object wraps, or null.
    COleControlSite* m_pCtrlSite = nullptr;

    virtual BOOL PreTranslateMessage(MSG* pMsg);

    // Reflected notification from the parent (WM_COMMAND, WM_NOTIFY,
    // WM_DRAWITEM, WM_CTLCOLOR*): return TRUE with *pResult set to keep the
    // parent from seeing it; FALSE lets the parent handle it as well.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    // Thin wrappers, only those the programs use.
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    // An ActiveX control is moved through its site, so that it lays itself out.
    BOOL SetWindowPos(HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT flags);
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
    void Invalidate(BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return ::PostMessageA(m_hWnd, message, wParam, lParam);
    }
    HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    void SetWindowText(const std::string& text) { ::SetWindowTextA(m_hWnd, text.c_str()); }
    std::string GetWindowText() const { return WindowText(m_hWnd); }
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse) { return ::SetTimer(m_hWnd, nIDEvent, nElapse, nullptr); }
    BOOL KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE)); }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0)); }

    // Centres the window over its owner, or over the desktop work area when
    // it has none or the owner is hidden or minimised, keeping it inside the
    // work area.
    void CenterWindow();

protected:
    // This class's message handling. Overrides handle their messages and
    // call the base class for everything else.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Default processing: the window's procedure from before the subclass.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Called before the window is subclassed, with m_hWnd already set.
    virtual void PreSubclassWindow();
    // Called after the window is gone (WM_NCDESTROY) and the object detached.
    virtual void PostNcDestroy();

    // Routes one message: reflection to the sending child's object first,
    // then WindowProc.
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    bool m_bOwnsWindow = false;  // created by CreateEx or CDialog: destroyed with the object
    bool m_bSubclassed = false;

private:
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR idSubclass, DWORD_PTR refData);
    BOOL ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    void HandleNcDestroy();
};
