// The suite host's side of an update: it fills the "wxbry" block, creates
// the "WXBRY_EXIT" event and starts Update.exe, then keeps all three until
// it goes.
#pragma once

#include "framework/handles.h"
#include "updater/update_block.h"

#include <windows.h>

#include <string>

class SuiteUpdateOffer {
public:
    SuiteUpdateOffer() = default;
    SuiteUpdateOffer(const SuiteUpdateOffer&) = delete;
    SuiteUpdateOffer& operator=(const SuiteUpdateOffer&) = delete;

    // Offers the package at downloadUrl, to be stored at packagePath, to the
    // updater beside the host; hostWnd receives the shutdown request.
    bool Start(HWND hostWnd, const std::string& programFolder, const std::string& downloadUrl,
               const std::string& packagePath, bool mandatory, const std::string& releaseNotes);

    HANDLE ExitEvent() const { return m_exitEvent.get(); }
    HANDLE Updater() const { return m_updater.get(); }

private:
    UniqueHandle m_mapping;
    UniqueMappedView m_view; // of m_mapping: the block
    UniqueHandle m_exitEvent;
    UniqueHandle m_updater;
};
