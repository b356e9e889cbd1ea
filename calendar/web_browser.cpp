#include "calendar/web_browser.h"

#include "framework/ole_control_site.h"

namespace {

constexpr DISPID kDispIdNavigate = 104;

// An ANSI text as a BSTR.
UniqueBstr AnsiToBstr(const std::string& text) {
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    UniqueBstr bstr(::SysAllocStringLen(nullptr, static_cast<UINT>(length)));
    if (bstr)
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bstr.get(), length);
    return bstr;
}

}  // namespace

void CWebBrowser2::Navigate(const std::string& strUrl) {
    ComPtr<IDispatch> dispatch;
    if (!m_pCtrlSite || FAILED(m_pCtrlSite->QueryControl(IID_IDispatch, dispatch.put_void())))
        return;
    UniqueBstr url = AnsiToBstr(strUrl);
    if (!url)
        return;
    // The optional arguments are VARIANT pointers to empty values; the
    // arguments go in reverse order: headers, post data, target, flags, URL.
    VARIANT empty[4];
    VARIANTARG args[5];
    for (int i = 0; i < 4; ++i) {
        ::VariantInit(&empty[i]);
        ::VariantInit(&args[i]);
        args[i].vt = VT_BYREF | VT_VARIANT;
        args[i].pvarVal = &empty[i];
    }
    ::VariantInit(&args[4]);
    args[4].vt = VT_BSTR;
    args[4].bstrVal = url.get();
    DISPPARAMS params{args, nullptr, 5, 0};
    dispatch->Invoke(kDispIdNavigate, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                     nullptr);
}

ComPtr<IConnectionPoint> CWebBrowser2::FindConnectionPoint(REFIID iid) {
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    if (m_pCtrlSite &&
        SUCCEEDED(m_pCtrlSite->QueryControl(IID_IConnectionPointContainer, container.put_void())))
        container->FindConnectionPoint(iid, point.put());
    return point;
}
