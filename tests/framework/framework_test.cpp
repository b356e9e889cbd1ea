// The dialog framework with real windows: modal runs and their message
// loop, dialog keys, automatic centring, the pre-translation chain,
// notification reflection, data exchange and subclassing.
#include "framework/button.h"
#include "framework/dialog.h"
#include "framework/dialog_template.h"
#include "framework/handles.h"
#include "framework/win_app.h"
#include "tests/framework/framework_test_ids.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

CWinApp theApp;

constexpr UINT_PTR kScriptTimer = 77;

// A dialog whose initialisation and first timer tick run test code.
class ScriptedDialog : public CDialog {
public:
    explicit ScriptedDialog(UINT id, CWnd* parent = nullptr) : CDialog(id, parent) {}

    std::function<void(ScriptedDialog&)> onInit;
    std::function<void(ScriptedDialog&)> onTick;
    std::function<BOOL(MSG*)> onPreTranslate;
    std::vector<WPARAM> commands;  // WM_COMMAND seen by WindowProc
    std::string text;
    int radio = 0;

    BOOL PreTranslateMessage(MSG* pMsg) override {
        if (onPreTranslate && onPreTranslate(pMsg))
            return TRUE;
        return CDialog::PreTranslateMessage(pMsg);
    }

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        if (onInit)
            onInit(*this);
        if (onTick)
            SetTimer(kScriptTimer, 10);
        return TRUE;
    }
    void DoDataExchange(CDataExchange* pDX) override {
        if (GetDlgItem(IDC_EDIT)) {
            DDX_Text(pDX, IDC_EDIT, text);
            DDX_Radio(pDX, IDC_RADIO_A, radio);
        }
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_COMMAND)
            commands.push_back(wParam);
        if (message == WM_TIMER && wParam == kScriptTimer) {
            KillTimer(kScriptTimer);
            onTick(*this);
            return 0;
        }
        return CDialog::WindowProc(message, wParam, lParam);
    }
};

// A button object that records what the framework hands it.
class RecordingButton : public CButton {
public:
    std::vector<UINT> preTranslated;
    std::vector<UINT> received;
    BOOL eatPreTranslate = FALSE;
    BOOL eatClick = FALSE;
    HBRUSH brush = nullptr;

    BOOL PreTranslateMessage(MSG* pMsg) override {
        preTranslated.push_back(pMsg->message);
        return eatPreTranslate;
    }
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM, LRESULT* pResult) override {
        if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED && eatClick) {
            *pResult = 0;
            return TRUE;
        }
        if (message == WM_CTLCOLORBTN && brush) {
            *pResult = reinterpret_cast<LRESULT>(brush);
            return TRUE;
        }
        return FALSE;
    }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        received.push_back(message);
        return CButton::WindowProc(message, wParam, lParam);
    }
};

RECT WorkArea() {
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

RECT WindowRect(HWND hWnd) {
    RECT rect;
    GetWindowRect(hWnd, &rect);
    return rect;
}

}  // namespace

TEST(DialogTemplate, LeavesActiveXItemsToTheFramework) {
    DialogTemplate tmpl;
    ASSERT_TRUE(tmpl.Load(GetModuleHandleA(nullptr), IDD_ACTIVEX));
    ASSERT_EQ(1u, tmpl.OleItems().size());
    const OleControlItem& item = tmpl.OleItems()[0];
    CLSID browser;
    CLSIDFromString(const_cast<LPOLESTR>(L"{8856F961-340A-11D0-A96B-00C04FD705A2}"), &browser);
    EXPECT_TRUE(IsEqualCLSID(browser, item.clsid));
    EXPECT_EQ(IDC_ACTIVEX, item.nID);
    EXPECT_EQ(10, item.rect.left);
    EXPECT_EQ(20, item.rect.top);
    EXPECT_EQ(150, item.rect.right);
    EXPECT_EQ(90, item.rect.bottom);
    EXPECT_EQ(1, item.nItemsBefore);
    EXPECT_TRUE(item.style & WS_TABSTOP);

    // The system dialog manager creates the rest of the template; without a
    // control-container manager nothing stands in for the ActiveX item.
    ScriptedDialog dialog(IDD_ACTIVEX);
    HWND first = nullptr, activeX = nullptr, last = nullptr;
    dialog.onTick = [&](ScriptedDialog& d) {
        first = d.GetDlgItem(IDC_FIRST);
        activeX = d.GetDlgItem(IDC_ACTIVEX);
        last = d.GetDlgItem(IDC_LAST);
        d.EndDialog(5);
    };
    EXPECT_EQ(5, dialog.DoModal());
    EXPECT_NE(nullptr, first);
    EXPECT_NE(nullptr, last);
    EXPECT_EQ(nullptr, activeX);
    EXPECT_FALSE(DialogTemplate().Load(GetModuleHandleA(nullptr), 999));
}

TEST(ModalDialog, EndsWithTheResultAndDestroysItsWindow) {
    ScriptedDialog dialog(IDD_PLAIN);
    HWND during = nullptr;
    dialog.onTick = [&](ScriptedDialog& d) {
        during = d.m_hWnd;
        EXPECT_TRUE(d.IsWindowVisible());  // shown by the modal run
        d.EndDialog(42);
    };
    EXPECT_EQ(42, dialog.DoModal());
    EXPECT_TRUE(during != nullptr);
    EXPECT_FALSE(IsWindow(during));
    EXPECT_EQ(nullptr, dialog.m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandle(during));
}

TEST(ModalDialog, EnterRunsOkWithDataExchangeAndEscapeCancels) {
    ScriptedDialog dialog(IDD_PLAIN);
    dialog.text = "first";
    dialog.radio = 1;
    dialog.onTick = [](ScriptedDialog& d) {
        HWND edit = d.GetDlgItem(IDC_EDIT);
        EXPECT_EQ("first", WindowText(edit));
        EXPECT_EQ(BST_CHECKED, SendMessageA(d.GetDlgItem(IDC_RADIO_B), BM_GETCHECK, 0, 0));
        SetWindowTextA(edit, "second");
        SendMessageA(d.GetDlgItem(IDC_RADIO_B), BM_SETCHECK, BST_UNCHECKED, 0);
        SendMessageA(d.GetDlgItem(IDC_RADIO_C), BM_SETCHECK, BST_CHECKED, 0);
        SetFocus(edit);
        PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    };
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ("second", dialog.text);
    EXPECT_EQ(2, dialog.radio);

    ScriptedDialog cancelled(IDD_PLAIN);
    cancelled.text = "kept";
    cancelled.onTick = [](ScriptedDialog& d) {
        HWND edit = d.GetDlgItem(IDC_EDIT);
        SetWindowTextA(edit, "dropped");
        SetFocus(edit);
        PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
    };
    EXPECT_EQ(IDCANCEL, cancelled.DoModal());
    EXPECT_EQ("kept", cancelled.text);
}

TEST(ModalDialog, RadioIndexOutsideTheGroupChecksNone) {
    ScriptedDialog dialog(IDD_PLAIN);
    dialog.radio = 3;  // three buttons: 0, 1, 2
    dialog.onTick = [](ScriptedDialog& d) {
        for (int id : {IDC_RADIO_A, IDC_RADIO_B, IDC_RADIO_C})
            EXPECT_EQ(BST_UNCHECKED, SendMessageA(d.GetDlgItem(id), BM_GETCHECK, 0, 0));
        d.UpdateData(TRUE);
        d.EndDialog(0);
    };
    dialog.DoModal();
    EXPECT_EQ(-1, dialog.radio);
}

TEST(ModalDialog, DisablesItsOwnerWhileItRuns) {
    ScriptedDialog owner(IDD_VISIBLE);
    ASSERT_TRUE(owner.Create(IDD_VISIBLE));
    theApp.m_pMainWnd = &owner;
    ScriptedDialog dialog(IDD_PLAIN);  // no owner named: the main window owns it
    HWND ownerSeen = nullptr;
    BOOL ownerEnabled = TRUE;
    dialog.onTick = [&](ScriptedDialog& d) {
        ownerSeen = GetWindow(d.m_hWnd, GW_OWNER);
        ownerEnabled = IsWindowEnabled(owner.m_hWnd);
        d.EndDialog(1);
    };
    dialog.DoModal();
    theApp.m_pMainWnd = nullptr;
    EXPECT_EQ(owner.m_hWnd, ownerSeen);
    EXPECT_FALSE(ownerEnabled);
    EXPECT_TRUE(IsWindowEnabled(owner.m_hWnd));
}

TEST(ModalDialog, CentresOnlyAHiddenUnplacedDialog) {
    const RECT work = WorkArea();

    ScriptedDialog hidden(IDD_PLAIN);
    RECT centred{};
    hidden.onTick = [&](ScriptedDialog& d) {
        centred = WindowRect(d.m_hWnd);
        d.EndDialog(0);
    };
    hidden.DoModal();
    EXPECT_NEAR((work.left + work.right) / 2, (centred.left + centred.right) / 2, 1);
    EXPECT_NEAR((work.top + work.bottom) / 2, (centred.top + centred.bottom) / 2, 1);

    ScriptedDialog visible(IDD_VISIBLE);
    RECT kept{};
    visible.onTick = [&](ScriptedDialog& d) {
        kept = WindowRect(d.m_hWnd);
        d.EndDialog(0);
    };
    visible.DoModal();
    EXPECT_EQ(0, kept.left);
    EXPECT_EQ(0, kept.top);

    ScriptedDialog moved(IDD_PLAIN);
    RECT placed{};
    moved.onInit = [](ScriptedDialog& d) { d.SetWindowPos(nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER); };
    moved.onTick = [&](ScriptedDialog& d) {
        placed = WindowRect(d.m_hWnd);
        d.EndDialog(0);
    };
    moved.DoModal();
    EXPECT_EQ(30, placed.left);
    EXPECT_EQ(40, placed.top);
}

TEST(ModelessDialog, EndDialogHidesIt) {
    ScriptedDialog dialog(IDD_VISIBLE);
    ASSERT_TRUE(dialog.Create(IDD_VISIBLE));
    EXPECT_TRUE(dialog.IsWindowVisible());
    dialog.EndDialog(IDOK);
    EXPECT_FALSE(dialog.IsWindowVisible());
    EXPECT_TRUE(IsWindow(dialog.m_hWnd));
}

TEST(MessageLoop, OffersInputToTheControlThenItsDialog) {
    ScriptedDialog dialog(IDD_PLAIN);
    RecordingButton button;
    std::vector<std::string> order;
    dialog.onInit = [&](ScriptedDialog& d) { button.SubclassDlgItem(IDC_AFTER, &d); };
    dialog.onTick = [&](ScriptedDialog& d) {
        PostMessageA(button.m_hWnd, WM_KEYDOWN, 'Q', 0);  // offered to both, then dispatched
        PostMessageA(d.m_hWnd, WM_APP, 0, 0);
    };
    bool eaten = false;
    dialog.onPreTranslate = [&](MSG* pMsg) {
        if (pMsg->message == WM_KEYDOWN && pMsg->wParam == 'Q')
            order.push_back(button.preTranslated.empty() ? "dialog first" : "dialog");
        if (pMsg->message == WM_KEYDOWN && pMsg->wParam == 'Z')
            eaten = true;
        if (pMsg->message == WM_APP) {
            button.eatPreTranslate = TRUE;
            PostMessageA(button.m_hWnd, WM_KEYDOWN, 'Z', 0);  // eaten by the button
            PostMessageA(dialog.m_hWnd, WM_APP + 1, 0, 0);
            return TRUE;
        }
        if (pMsg->message == WM_APP + 1) {
            dialog.EndDialog(0);
            return TRUE;
        }
        return FALSE;
    };
    dialog.DoModal();
    ASSERT_EQ(1u, order.size());
    EXPECT_EQ("dialog", order[0]);
    EXPECT_FALSE(eaten);
    int keydownsReceived = 0;
    for (UINT m : button.received)
        keydownsReceived += m == WM_KEYDOWN;
    EXPECT_EQ(1, keydownsReceived);  // 'Q' only: 'Z' never reached the window
}

TEST(MessageLoop, AnOwnedPopupIsNotPartOfItsOwnersChain) {
    ScriptedDialog owner(IDD_PLAIN);
    ScriptedDialog popup(IDD_VISIBLE);
    int ownerSawPopupKey = 0;
    owner.onPreTranslate = [&](MSG* pMsg) {
        ownerSawPopupKey += pMsg->message == WM_KEYDOWN && pMsg->hwnd == popup.m_hWnd;
        return FALSE;
    };
    owner.onTick = [&](ScriptedDialog& d) {
        popup.Create(IDD_VISIBLE, &d);
        PostMessageA(popup.m_hWnd, WM_KEYDOWN, 'P', 0);
        PostMessageA(d.m_hWnd, WM_CLOSE, 0, 0);  // default handling cancels the dialog
    };
    EXPECT_EQ(IDCANCEL, owner.DoModal());
    EXPECT_EQ(0, ownerSawPopupKey);
}

TEST(Reflection, ControlObjectsSeeTheirNotificationsFirst) {
    ScriptedDialog dialog(IDD_PLAIN);
    RecordingButton button;
    UniqueBrush brush(CreateSolidBrush(RGB(1, 2, 3)));
    LRESULT colour = 0;
    auto clicks = [&] {
        return std::count(dialog.commands.begin(), dialog.commands.end(), MAKEWPARAM(IDC_AFTER, BN_CLICKED));
    };
    long clicksWhenEaten = 0;
    dialog.onInit = [&](ScriptedDialog& d) { button.SubclassDlgItem(IDC_AFTER, &d); };
    dialog.onTick = [&](ScriptedDialog& d) {
        SendMessageA(button.m_hWnd, BM_CLICK, 0, 0);  // passed on to the dialog
        button.eatClick = TRUE;
        clicksWhenEaten = clicks();
        SendMessageA(button.m_hWnd, BM_CLICK, 0, 0);  // kept by the button
        button.brush = brush.get();
        HDC dc = GetDC(button.m_hWnd);
        colour = SendMessageA(d.m_hWnd, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(button.m_hWnd));
        ReleaseDC(button.m_hWnd, dc);
        d.EndDialog(0);
    };
    dialog.DoModal();
    EXPECT_EQ(1, clicksWhenEaten);
    EXPECT_EQ(1, clicks());
    EXPECT_EQ(reinterpret_cast<LRESULT>(brush.get()), colour);
}

TEST(Subclassing, ObjectLetsGoOfADestroyedControlAndNeverDestroysIt) {
    ScriptedDialog dialog(IDD_PLAIN);
    HWND cancel = nullptr;
    bool survivedObject = false;
    bool detached = false;
    dialog.onTick = [&](ScriptedDialog& d) {
        {
            CButton borrowed;
            ASSERT_TRUE(borrowed.SubclassDlgItem(IDOK, &d));
            EXPECT_EQ(&borrowed, CWnd::FromHandle(borrowed.m_hWnd));
        }
        survivedObject = IsWindow(d.GetDlgItem(IDOK)) && CWnd::FromHandle(d.GetDlgItem(IDOK)) == nullptr;

        CButton watched;
        cancel = d.GetDlgItem(IDCANCEL);
        ASSERT_TRUE(watched.SubclassWindow(cancel));
        EXPECT_FALSE(CButton().SubclassWindow(cancel));  // one object per window
        DestroyWindow(cancel);
        detached = watched.m_hWnd == nullptr && CWnd::FromHandle(cancel) == nullptr;
        d.EndDialog(0);
    };
    dialog.DoModal();
    EXPECT_TRUE(survivedObject);
    EXPECT_TRUE(detached);
}

TEST(CenterWindow, CentresOverAVisibleOwnerAndStaysInTheWorkArea) {
    ScriptedDialog owner(IDD_VISIBLE);
    ASSERT_TRUE(owner.Create(IDD_VISIBLE));
    const RECT work = WorkArea();
    owner.SetWindowPos(nullptr, work.left + 300, work.top + 200, 400, 300, SWP_NOZORDER);
    ScriptedDialog child(IDD_PLAIN);
    ASSERT_TRUE(child.Create(IDD_PLAIN, &owner));
    child.CenterWindow();
    RECT c = WindowRect(child.m_hWnd);
    EXPECT_NEAR(work.left + 500, (c.left + c.right) / 2, 1);
    EXPECT_NEAR(work.top + 350, (c.top + c.bottom) / 2, 1);

    // An owner near the corner would push the window out: it is kept inside.
    owner.SetWindowPos(nullptr, work.left - 150, work.top - 100, 100, 80, SWP_NOZORDER);
    child.CenterWindow();
    c = WindowRect(child.m_hWnd);
    EXPECT_EQ(work.left, c.left);
    EXPECT_EQ(work.top, c.top);

    // A hidden owner does not count: the work area is the reference.
    owner.ShowWindow(SW_HIDE);
    child.CenterWindow();
    c = WindowRect(child.m_hWnd);
    EXPECT_NEAR((work.left + work.right) / 2, (c.left + c.right) / 2, 1);
}
