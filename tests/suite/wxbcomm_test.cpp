// The stand-in suite library as the calendar calls it: texts handed over by
// value, one instance per program name that outlives the library, and the
// suite host's window found by its title.
#include "framework/handles.h"
#include "suite/wxbcomm.h"
#include "tests/harness/temp_folder.h"
#include "tests/harness/titled_window.h"

#include <gtest/gtest.h>

namespace {

class SuiteLibrary {
public:
    SuiteLibrary() : m_library(LoadLibraryA(WXB_SUITE_DLL)) {}
    bool IsRun(const char* name) const {
        auto proc = reinterpret_cast<WxbIsRunProc>(reinterpret_cast<void*>(GetProcAddress(m_library.get(), "IsRun")));
        return proc(WxbTextAlloc(name));
    }
    BOOL CheakMainWndRun(const char* title) const {
        auto proc = reinterpret_cast<WxbCheakMainWndRunProc>(
            reinterpret_cast<void*>(GetProcAddress(m_library.get(), "CheakMainWndRun")));
        return proc(WxbTextAlloc(title));
    }
    WxbIsRunProc RawIsRun() const {
        return reinterpret_cast<WxbIsRunProc>(reinterpret_cast<void*>(GetProcAddress(m_library.get(), "IsRun")));
    }

private:
    UniqueLibrary m_library;
};

}  // namespace

TEST(SuiteLibrary, LetsOneInstanceOfAProgramRunEvenAfterItIsUnloaded) {
    {
        SuiteLibrary suite;
        EXPECT_TRUE(suite.IsRun("FirstProgram"));
        EXPECT_FALSE(suite.IsRun("FirstProgram"));
    }
    SuiteLibrary reloaded;
    EXPECT_FALSE(reloaded.IsRun("FirstProgram")) << "the claim lasts for the process, not the library";
    EXPECT_TRUE(reloaded.IsRun("SecondProgram"));
}

TEST(SuiteLibrary, FindsTheSuiteHostByItsTitleHiddenOrNot) {
    SuiteLibrary suite;
    EXPECT_FALSE(suite.CheakMainWndRun("Wexbury test host"));
    {
        harness::TitledWindow host("Wexbury test host");
        EXPECT_TRUE(suite.CheakMainWndRun("Wexbury test host"));
        EXPECT_FALSE(suite.CheakMainWndRun("Wexbury test"));
    }
    EXPECT_FALSE(suite.CheakMainWndRun("Wexbury test host"));
}

TEST(SuiteLibrary, LogsEveryCallWithItsArgumentWhenAsked) {
    harness::TempFolder folder;
    SetEnvironmentVariableA("WXBCOMM_LOG", folder.Path("calls.log").c_str());
    SuiteLibrary suite;
    suite.IsRun("LoggedProgram");
    suite.CheakMainWndRun("日历");
    // A caller whose text could not be allocated passes none.
    suite.RawIsRun()(WxbText{nullptr, 0});
    SetEnvironmentVariableA("WXBCOMM_LOG", nullptr);
    suite.IsRun("NotLogged");
    EXPECT_EQ("IsRun LoggedProgram\r\nCheakMainWndRun 日历\r\nIsRun \r\n", folder.Read("calls.log"));
}
