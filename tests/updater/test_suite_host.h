// The suite host's side of the handshake, for tests that run the real
// Update.exe: the "wxbry" block, the "WXBRY_EXIT" event, a host window that
// counts WM_SUITE_SHUTDOWN, and the updater's process and dialog.
#pragma once

#include "framework/handles.h"
#include "updater/update_block.h"

#include <windows.h>

#include <string>
#include <vector>

class TestSuiteHost {
public:
    TestSuiteHost();
    ~TestSuiteHost();
    TestSuiteHost(const TestSuiteHost&) = delete;
    TestSuiteHost& operator=(const TestSuiteHost&) = delete;

    // The block as the updater will see it; filled with the host window and
    // empty texts at first.
    UpdateBlock& Block() { return *static_cast<UpdateBlock*>(m_view.get()); }
    static void SetField(char (&field)[260], const std::string& text);

    // Starts the updater in the directory given (its own when empty), with
    // the arguments given (it is to ignore them).
    bool Start(const std::string& startDirectory = "", const std::string& arguments = "");
    // The updater's dialog once it is visible, or null.
    HWND WaitForDialog(DWORD milliseconds = 10000);
    // Waits for the updater to end, pumping the host window meanwhile.
    bool WaitForExit(DWORD milliseconds = 10000);

    bool ExitEventSet() const;
    // WM_SUITE_SHUTDOWN messages received so far (after pumping).
    int ShutdownCount();
    HWND Window() const { return m_hWnd; }

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    UniqueHandle m_hMapping;
    UniqueMappedView m_view; // of m_hMapping: the block
    UniqueHandle m_hExitEvent;
    UniqueHandle m_hProcess;
    DWORD m_processId = 0;
    int m_nShutdowns = 0;
};

// The visible dialogs (#32770) of a process, in z-order.
std::vector<HWND> VisibleDialogsOf(DWORD processId);
// Where Update.exe lies.
std::string UpdateExePath();
