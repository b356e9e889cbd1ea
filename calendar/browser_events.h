// CBrowserEvents: what becomes of the calendar page in the WebBrowser
// control, from the control's DWebBrowserEvents2 connection point. It keeps
// the browser's own error pages off the widget and posts the window it
// serves WM_CALENDAR_PAGE_FAILED (wParam: the status, an HTTP status code or
// the browser's HRESULT) or WM_CALENDAR_PAGE_LOADED. Events for other
// addresses (the blank page, frames) are not passed on.
#pragma once

#include "calendar/web_browser.h"
#include "framework/owned_dispatch.h"

#include <string>

class CBrowserEvents : public COwnedDispatch {
public:
    CBrowserEvents();
    ~CBrowserEvents() override;

    // Starts taking the events of browser for the page at strPageUrl,
    // telling hNotify. False when the control offers no such events.
    bool Connect(CWebBrowser2& browser, HWND hNotify, const std::string& strPageUrl);
    // Stops; before the control goes.
    void Disconnect();

    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                               DISPID* rgDispId) override;
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

private:
    bool IsPage(const VARIANT& url) const;

    ComPtr<IConnectionPoint> m_pPoint;
    DWORD m_dwCookie = 0;
    HWND m_hNotify = nullptr; // the calendar's window, not owned
    std::wstring m_strPage;
};
