// The browser's host side without a browser: the external object as a
// script engine calls it, the custom site's IDocHostUIHandler, and the
// negotiation of sites and context menus up the window chain.
#include "calendar/browser_site.h"
#include "calendar/custom_occ_manager.h"
#include "calendar/external_dispatch.h"
#include "framework/ole_control_container.h"
#include "framework/wnd.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

// A window that answers "CustomControlSiteMsg" through a test function.
class AnsweringWindow : public CWnd {
public:
    AnsweringWindow(HWND hParent, DWORD style) {
        RECT rect{0, 0, 50, 50};
        CreateEx(0, "STATIC", "", style, rect, hParent, 1);
    }
    std::function<LRESULT(WPARAM, LPARAM)> answer;
    int requests = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CUSTOM_CONTROL_SITE) {
            ++requests;
            return answer ? answer(wParam, lParam) : 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

// A command target that reports a window, as the browser's does.
class CommandTarget : public IOleWindow {
public:
    explicit CommandTarget(HWND hWnd, bool bIsWindow = true) : m_hWnd(hWnd), m_bIsWindow(bIsWindow) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || (m_bIsWindow && IsEqualIID(riid, IID_IOleWindow))) {
            *ppv = static_cast<IOleWindow*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetWindow(HWND* phwnd) override {
        *phwnd = m_hWnd;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

private:
    HWND m_hWnd;
    bool m_bIsWindow;
};

HRESULT NamesToIds(IDispatch& dispatch, std::initializer_list<const wchar_t*> names, DISPID* ids) {
    std::vector<LPOLESTR> list;
    for (const wchar_t* name : names)
        list.push_back(const_cast<LPOLESTR>(name));
    return dispatch.GetIDsOfNames(IID_NULL, list.data(), static_cast<UINT>(list.size()), LOCALE_USER_DEFAULT, ids);
}

}  // namespace

TEST(ExternalDispatch, NamesTheOnePropertyAndRejectsTheRest) {
    CExternalDispatch external;
    DISPID ids[2] = {0, 0};
    EXPECT_EQ(DISP_E_UNKNOWNNAME, NamesToIds(external, {L"xxyyzz", L"abc"}, ids));
    EXPECT_EQ(12345, ids[0]);
    EXPECT_EQ(DISPID_UNKNOWN, ids[1]);

    EXPECT_EQ(S_OK, NamesToIds(external, {L"xxyyzz"}, ids));
    EXPECT_EQ(S_OK, external.GetIDsOfNames(IID_NULL, nullptr, 0, LOCALE_USER_DEFAULT, ids));
    // Width differences do not count, case does.
    EXPECT_EQ(S_OK, NamesToIds(external, {L"\xFF58\xFF58\xFF59\xFF59\xFF5A\xFF5A"}, ids));
    EXPECT_EQ(12345, ids[0]);
    EXPECT_EQ(DISP_E_UNKNOWNNAME, NamesToIds(external, {L"XXYYZZ"}, ids));
    EXPECT_EQ(DISP_E_UNKNOWNNAME, NamesToIds(external, {L"xxyyzz "}, ids));
}

TEST(ExternalDispatch, ReadingThePropertyGivesWibbleAndCallsDoNothing) {
    CExternalDispatch external;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(S_OK, external.Invoke(12345, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr));
    ASSERT_EQ(VT_BSTR, result.vt);
    EXPECT_STREQ(L"Wibble", result.bstrVal);
    VariantClear(&result);

    // A script call (method flags only) and unknown ids leave the result
    // alone and still succeed.
    result.vt = VT_I4;
    result.lVal = 7;
    EXPECT_EQ(S_OK, external.Invoke(12345, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr));
    EXPECT_EQ(S_OK, external.Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr));
    EXPECT_EQ(VT_I4, result.vt);
    EXPECT_EQ(7, result.lVal);
    EXPECT_EQ(S_OK, external.Invoke(12345, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr));
}

TEST(ExternalDispatch, CountsReferencesButNeverFreesItself) {
    CExternalDispatch external;
    IUnknown* unknown = nullptr;
    ASSERT_EQ(S_OK, external.QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    EXPECT_EQ(static_cast<IUnknown*>(static_cast<IDispatch*>(&external)), unknown);
    EXPECT_EQ(2u, external.AddRef());
    EXPECT_EQ(1u, external.Release());
    EXPECT_EQ(0u, external.Release());
    // Below zero the object is still there for the application to delete.
    EXPECT_EQ(static_cast<ULONG>(-1), external.Release());
    void* other = &external;
    EXPECT_EQ(E_NOINTERFACE, external.QueryInterface(IID_IOleWindow, &other));
    EXPECT_EQ(nullptr, other);
}

TEST(CustomControlSite, AnswersTheHostHandlerOnTheSitesOwnCount) {
    CExternalDispatch external;
    ComPtr<CCustomControlSite> site;
    *site.put() = new CCustomControlSite(nullptr, &external);

    ComPtr<IDocHostUIHandler> handler;
    ComPtr<IOleClientSite> clientSite;
    ASSERT_EQ(S_OK, site->QueryInterface(IID_IOleClientSite, clientSite.put_void()));
    ASSERT_EQ(S_OK, clientSite->QueryInterface(IID_IDocHostUIHandler, handler.put_void()));
    ComPtr<IOleInPlaceSite> back;
    EXPECT_EQ(S_OK, handler->QueryInterface(IID_IOleInPlaceSite, back.put_void()));
    // site, clientSite, handler and back each hold one of the same count;
    // a reference taken through one interface is given back through another.
    EXPECT_EQ(5u, handler->AddRef());
    EXPECT_EQ(4u, clientSite->Release());

    DOCHOSTUIINFO info;
    info.cbSize = sizeof info;
    info.dwFlags = 0xFFFFFFFF;
    info.dwDoubleClick = 0xFFFFFFFF;
    info.pchHostCss = reinterpret_cast<OLECHAR*>(0x1234);
    info.pchHostNS = nullptr;
    ASSERT_EQ(S_OK, handler->GetHostInfo(&info));
    EXPECT_EQ(static_cast<DWORD>(DOCHOSTUIFLAG_NO3DBORDER), info.dwFlags);
    EXPECT_EQ(4u, info.dwFlags);
    EXPECT_EQ(0u, info.dwDoubleClick);
    EXPECT_EQ(sizeof info, info.cbSize);
    EXPECT_EQ(reinterpret_cast<OLECHAR*>(0x1234), info.pchHostCss);

    IDispatch* got = nullptr;
    ASSERT_EQ(S_OK, handler->GetExternal(&got));
    EXPECT_EQ(static_cast<IDispatch*>(&external), got);
    EXPECT_EQ(0u, external.Release());  // the one reference GetExternal added

    EXPECT_EQ(S_OK, handler->ShowUI(0, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(S_FALSE, handler->TranslateAccelerator(nullptr, nullptr, 0));
    EXPECT_EQ(E_NOTIMPL, handler->EnableModeless(TRUE));
    EXPECT_EQ(E_NOTIMPL, handler->ResizeBorder(nullptr, nullptr, FALSE));
    LPOLESTR key = reinterpret_cast<LPOLESTR>(1);
    EXPECT_EQ(E_NOTIMPL, handler->GetOptionKeyPath(&key, 0));
    EXPECT_EQ(nullptr, key);
    EXPECT_EQ(E_NOTIMPL, handler->TranslateUrl(0, nullptr, nullptr));
}

TEST(CustomControlSite, ContextMenuGoesUpTheChainFromTheBrowsersWindow) {
    ComPtr<CCustomControlSite> site;
    *site.put() = new CCustomControlSite(nullptr, nullptr);
    AnsweringWindow top(nullptr, WS_POPUP);
    AnsweringWindow child(top.m_hWnd, WS_CHILD);
    CommandTarget target(child.m_hWnd);
    POINT point{3, 4};

    // Nobody answers: the browser shows its own menu.
    EXPECT_EQ(S_FALSE, site->ShowContextMenu(CONTEXT_MENU_DEFAULT, &point, &target, nullptr));
    EXPECT_EQ(1, child.requests);
    EXPECT_EQ(1, top.requests);

    // The top window answers code 2 with its own result.
    ContextMenuRequest seen{};
    top.answer = [&](WPARAM code, LPARAM lParam) -> LRESULT {
        if (code != kRequestContextMenu)
            return 0;
        auto* request = reinterpret_cast<ContextMenuRequest*>(lParam);
        seen = *request;
        request->hrResult = S_OK;
        return 1;
    };
    EXPECT_EQ(S_OK, site->ShowContextMenu(CONTEXT_MENU_IMAGE, &point, &target, nullptr));
    EXPECT_EQ(static_cast<DWORD>(CONTEXT_MENU_IMAGE), seen.dwID);
    EXPECT_EQ(&point, seen.pPoint);
    EXPECT_EQ(S_FALSE, seen.hrResult);  // preset before the request

    // Without a command target, or one without a window, nothing is asked.
    const int asked = top.requests;
    CommandTarget windowless(child.m_hWnd, false);
    CommandTarget noWindow(nullptr);
    EXPECT_EQ(S_FALSE, site->ShowContextMenu(0, &point, nullptr, nullptr));
    EXPECT_EQ(S_FALSE, site->ShowContextMenu(0, &point, &windowless, nullptr));
    EXPECT_EQ(S_FALSE, site->ShowContextMenu(0, &point, &noWindow, nullptr));
    EXPECT_EQ(asked, top.requests);
}

TEST(CustomOccManager, TakesTheSiteOfTheFirstWindowThatAnswers) {
    AnsweringWindow top(nullptr, WS_POPUP);
    AnsweringWindow middle(top.m_hWnd, WS_CHILD);
    CWnd dialog;
    RECT rect{0, 0, 10, 10};
    ASSERT_TRUE(dialog.CreateEx(0, "STATIC", "", WS_CHILD, rect, middle.m_hWnd, 2));
    ComPtr<COleControlContainer> container;
    *container.put() = new COleControlContainer(&dialog);
    CCustomOccManager manager;

    EXPECT_EQ(nullptr, manager.CreateSite(nullptr));

    // No answer: the standard site, without the host handler.
    ComPtr<COleControlSite> standard;
    *standard.put() = manager.CreateSite(container.get());
    ASSERT_TRUE(standard);
    ComPtr<IDocHostUIHandler> none;
    EXPECT_EQ(E_NOINTERFACE, standard->QueryInterface(IID_IDocHostUIHandler, none.put_void()));
    EXPECT_EQ(1, middle.requests);
    EXPECT_EQ(1, top.requests);

    // The middle window answers but makes no site: still the standard one,
    // and the walk ended there.
    middle.answer = [](WPARAM, LPARAM) -> LRESULT { return 1; };
    ComPtr<COleControlSite> fallback;
    *fallback.put() = manager.CreateSite(container.get());
    EXPECT_TRUE(fallback);
    EXPECT_EQ(1, top.requests);

    // The top window makes the calendar's site for the container it is told.
    middle.answer = nullptr;
    COleControlContainer* asked = nullptr;
    top.answer = [&](WPARAM code, LPARAM lParam) -> LRESULT {
        auto* request = reinterpret_cast<SiteRequest*>(lParam);
        if (code != kRequestSite)
            return 0;
        asked = request->pContainer;
        EXPECT_EQ(nullptr, request->pSite);
        request->pSite = new CCustomControlSite(request->pContainer, nullptr);
        return 1;
    };
    ComPtr<COleControlSite> custom;
    *custom.put() = manager.CreateSite(container.get());
    EXPECT_EQ(container.get(), asked);
    ComPtr<IDocHostUIHandler> handler;
    EXPECT_EQ(S_OK, custom->QueryInterface(IID_IDocHostUIHandler, handler.put_void()));
}
