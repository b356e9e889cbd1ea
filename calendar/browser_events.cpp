#include "calendar/browser_events.h"

#include "calendar/calendar_messages.h"

#include <exdisp.h>
#include <exdispid.h>

namespace {

// Argument i of an event, counted from the first as declared; the
// dispatch arguments arrive last first. A reference to a VARIANT is
// followed.
const VARIANT* Argument(const DISPPARAMS* pParams, UINT i) {
    if (!pParams || i >= pParams->cArgs)
        return nullptr;
    const VARIANT* arg = &pParams->rgvarg[pParams->cArgs - 1 - i];
    return arg->vt == (VT_BYREF | VT_VARIANT) ? arg->pvarVal : arg;
}

// NavigateError(pDisp, URL, TargetFrameName, StatusCode, Cancel) and
// DocumentComplete(pDisp, URL).
constexpr UINT kUrlArgument = 1;
constexpr UINT kStatusArgument = 3;
constexpr UINT kCancelArgument = 4;

} // namespace

CBrowserEvents::CBrowserEvents() : COwnedDispatch(DIID_DWebBrowserEvents2) {}

CBrowserEvents::~CBrowserEvents() {
    Disconnect();
}

bool CBrowserEvents::Connect(CWebBrowser2& browser, HWND hNotify, const std::string& strPageUrl) {
    Disconnect();
    m_hNotify = hNotify;
    m_strPage.assign(strPageUrl.begin(), strPageUrl.end()); // an address is ASCII
    m_pPoint = browser.FindConnectionPoint(DIID_DWebBrowserEvents2);
    if (m_pPoint && FAILED(m_pPoint->Advise(this, &m_dwCookie)))
        m_pPoint = ComPtr<IConnectionPoint>();
    return static_cast<bool>(m_pPoint);
}

void CBrowserEvents::Disconnect() {
    if (m_pPoint)
        m_pPoint->Unadvise(m_dwCookie);
    m_pPoint = ComPtr<IConnectionPoint>();
}

STDMETHODIMP CBrowserEvents::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

STDMETHODIMP CBrowserEvents::Invoke(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS* pDispParams,
                                    VARIANT*, EXCEPINFO*, UINT*) {
    if (dispIdMember == DISPID_NAVIGATEERROR) {
        // No error page of the browser's: the window stays as it was.
        const VARIANT* cancel = Argument(pDispParams, kCancelArgument);
        if (cancel && cancel->vt == (VT_BYREF | VT_BOOL))
            *cancel->pboolVal = VARIANT_TRUE;
        const VARIANT* url = Argument(pDispParams, kUrlArgument);
        const VARIANT* status = Argument(pDispParams, kStatusArgument);
        VARIANT number;
        ::VariantInit(&number);
        if (url && status && IsPage(*url) &&
            SUCCEEDED(::VariantChangeType(&number, const_cast<VARIANT*>(status), 0, VT_I4)))
            ::PostMessageA(m_hNotify, WM_CALENDAR_PAGE_FAILED, static_cast<WPARAM>(number.lVal), 0);
    } else if (dispIdMember == DISPID_DOCUMENTCOMPLETE) {
        const VARIANT* url = Argument(pDispParams, kUrlArgument);
        if (url && IsPage(*url))
            ::PostMessageA(m_hNotify, WM_CALENDAR_PAGE_LOADED, 0, 0);
    }
    return S_OK;
}

// Addresses compare without regard to case: the browser may write the host
// name otherwise than we did.
bool CBrowserEvents::IsPage(const VARIANT& url) const {
    return url.vt == VT_BSTR && url.bstrVal && ::lstrcmpiW(url.bstrVal, m_strPage.c_str()) == 0;
}
