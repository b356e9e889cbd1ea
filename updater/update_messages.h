// The updater's private window messages and the suite's named objects.
#pragma once

#include <windows.h>

// To the suite host's window: the suite is to shut down (wParam 1, lParam 0).
constexpr UINT WM_SUITE_SHUTDOWN = WM_USER + 102;
// From the downloader to the update dialog: wParam 2, lParam a
// DownloadProgress valid while the message is handled.
constexpr UINT WM_UPDATE_PROGRESS = WM_USER + 105;
// From the worker to the update dialog: the update stopped short of the
// installer; wParam a StallReason, lParam its detail.
constexpr UINT WM_UPDATE_STALLED = WM_USER + 106;

enum StallReason {
    STALL_PACKAGE_IN_USE = 1,    // an old package could not be removed, or another program holds the new one
    STALL_DOWNLOAD_FAILED = 2,   // the download result, of the package or of its signature (then kept)
    STALL_PACKAGE_REJECTED = 3,  // the host's digest did not match
    STALL_INSTALLER_FAILED = 4,  // the checked package would not start: the system error code
    STALL_SIGNATURE_MISSING = 5, // the server has no signature for the package
    STALL_SIGNATURE_WRONG = 6,   // the signature is not the publisher's over these bytes
    STALL_PROXY_SIGN_IN = 7,     // the user's proxy asks for a sign-in (407)
};

// The shared block and the exit event the suite host creates.
constexpr char kUpdateBlockName[] = "wxbry";
constexpr char kSuiteExitEventName[] = "WXBRY_EXIT";
