// ActiveX containment with the real WebBrowser control (ieframe under
// Wine): creation from a dialog template, the item's id, rectangle and tab
// order, binding to a wrapper that moves it, the manager's site, and
// teardown that lets go of every site.
#include "framework/dialog.h"
#include "framework/occ_manager.h"
#include "framework/ole_control_site.h"
#include "framework/win_app.h"
#include "tests/framework/framework_test_ids.h"

#include <gtest/gtest.h>

#include <mshtmhst.h>

#include <functional>
#include <memory>

namespace {

CWinApp theApp;

constexpr UINT_PTR kScriptTimer = 77;

// A dialog that binds the ActiveX item and runs test code once it shows.
class ActiveXDialog : public CDialog {
public:
    ActiveXDialog() : CDialog(IDD_ACTIVEX) {}

    CWnd control;
    std::function<void(ActiveXDialog&)> onTick;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        SetTimer(kScriptTimer, 10);
        return TRUE;
    }
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_ACTIVEX, control); }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_TIMER && wParam == kScriptTimer) {
            KillTimer(kScriptTimer);
            onTick(*this);
            return 0;
        }
        return CDialog::WindowProc(message, wParam, lParam);
    }
};

// What the sites of a recording manager went through.
struct SiteLog {
    int created = 0;
    int destroyed = 0;
    int hostHandlerQueries = 0;
};

class RecordingSite : public COleControlSite {
public:
    RecordingSite(COleControlContainer* pCtrlCont, SiteLog& log) : COleControlSite(pCtrlCont), m_log(log) {
        ++m_log.created;
    }
    ~RecordingSite() override { ++m_log.destroyed; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IDocHostUIHandler))
            ++m_log.hostHandlerQueries;
        return COleControlSite::QueryInterface(riid, ppv);
    }

private:
    SiteLog& m_log;
};

class RecordingManager : public COccManager {
public:
    explicit RecordingManager(SiteLog& log, bool giveSites = true) : m_log(log), m_giveSites(giveSites) {}
    COleControlSite* CreateSite(COleControlContainer* pCtrlCont) override {
        return m_giveSites ? new RecordingSite(pCtrlCont, m_log) : nullptr;
    }

private:
    SiteLog& m_log;
    bool m_giveSites;
};

RECT ChildRect(HWND hChild) {
    RECT rect;
    GetWindowRect(hChild, &rect);
    MapWindowPoints(nullptr, GetParent(hChild), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

class OleContainer : public ::testing::Test {
protected:
    void TearDown() override { AfxEnableControlContainer(nullptr); }
    OleInitScope m_ole;
};

}  // namespace

TEST_F(OleContainer, CreatesTheControlAtItsItemInTabOrderAndMovesItThroughTheWrapper) {
    AfxEnableControlContainer(std::make_unique<COccManager>());
    ActiveXDialog dialog;
    HWND hControl = nullptr, hLast = nullptr, afterFirst = nullptr, afterControl = nullptr;
    RECT expected{10, 20, 150, 90}, created{}, moved{};
    bool bound = false, tabStop = false;
    dialog.onTick = [&](ActiveXDialog& d) {
        MapDialogRect(d.m_hWnd, &expected);
        hControl = d.GetDlgItem(IDC_ACTIVEX);
        ASSERT_NE(nullptr, hControl);
        created = ChildRect(hControl);
        afterFirst = GetWindow(d.GetDlgItem(IDC_FIRST), GW_HWNDNEXT);
        afterControl = GetWindow(hControl, GW_HWNDNEXT);
        hLast = d.GetDlgItem(IDC_LAST);
        tabStop = GetWindowLongA(hControl, GWL_STYLE) & WS_TABSTOP;
        bound = d.control.m_hWnd == hControl && d.control.m_pCtrlSite == d.GetControlSite(IDC_ACTIVEX);
        d.control.SetWindowPos(nullptr, 5, 6, 100, 50, SWP_NOZORDER | SWP_NOACTIVATE);
        moved = ChildRect(hControl);
        d.EndDialog(1);
    };
    ASSERT_EQ(1, dialog.DoModal());
    ASSERT_NE(nullptr, hControl);
    EXPECT_EQ(expected.left, created.left);
    EXPECT_EQ(expected.top, created.top);
    EXPECT_EQ(expected.right, created.right);
    EXPECT_EQ(expected.bottom, created.bottom);
    EXPECT_TRUE(tabStop);
    EXPECT_EQ(hControl, afterFirst);
    EXPECT_EQ(hLast, afterControl) << "the control sits between First and Last";
    EXPECT_TRUE(bound);
    EXPECT_EQ(5, moved.left);
    EXPECT_EQ(6, moved.top);
    EXPECT_EQ(105, moved.right);
    EXPECT_EQ(56, moved.bottom);
    // The dialog is gone: so is the control, and the wrapper let go of both.
    EXPECT_FALSE(IsWindow(hControl));
    EXPECT_EQ(nullptr, dialog.control.m_hWnd);
    EXPECT_EQ(nullptr, dialog.control.m_pCtrlSite);
}

TEST_F(OleContainer, SitesComeFromTheInstalledManagerAndAreAllReleased) {
    SiteLog log;
    AfxEnableControlContainer(std::make_unique<RecordingManager>(log));
    for (int run = 0; run < 2; ++run) {
        ActiveXDialog dialog;
        dialog.onTick = [](ActiveXDialog& d) { d.EndDialog(IDOK); };
        dialog.DoModal();
    }
    EXPECT_EQ(2, log.created);
    // Close and SetClientSite(null) make the control drop its references.
    EXPECT_EQ(2, log.destroyed);
    // The browser looks for its host's UI handler on the client site; this
    // one has none, so the browser keeps its default behaviour.
    EXPECT_GE(log.hostHandlerQueries, 2);
}

TEST_F(OleContainer, ADialogWithoutASiteForItsControlStillRuns) {
    SiteLog log;
    AfxEnableControlContainer(std::make_unique<RecordingManager>(log, false));
    ActiveXDialog dialog;
    HWND hControl = reinterpret_cast<HWND>(1);
    dialog.onTick = [&](ActiveXDialog& d) {
        hControl = d.GetDlgItem(IDC_ACTIVEX);
        d.EndDialog(3);
    };
    EXPECT_EQ(3, dialog.DoModal());
    EXPECT_EQ(nullptr, hControl);
    EXPECT_EQ(nullptr, dialog.control.m_pCtrlSite);
}

TEST_F(OleContainer, AModelessDialogClosesItsControlWhenTheObjectGoes) {
    SiteLog log;
    AfxEnableControlContainer(std::make_unique<RecordingManager>(log));
    HWND hControl = nullptr;
    {
        ActiveXDialog dialog;
        ASSERT_TRUE(dialog.Create(IDD_ACTIVEX));
        hControl = dialog.GetDlgItem(IDC_ACTIVEX);
        ASSERT_NE(nullptr, hControl);
    }
    EXPECT_FALSE(IsWindow(hControl));
    EXPECT_EQ(1, log.created);
    EXPECT_EQ(1, log.destroyed);
}
