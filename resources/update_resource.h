// Resource ids of Update, the suite's updater: the only place these numbers
// live. Included by update.rc and by the program's code.
#pragma once

// Dialog templates
#define IDD_ABOUTBOX 100
#define IDD_UPDATE 102

// Strings
#define IDS_ABOUTBOX 101
#define IDS_PROGRESS_FORMAT 102  // done, total, percentage
#define IDS_ERROR_PAGE 103
#define IDS_NEW_VERSION_NOTICE 104
#define IDS_WINDOW_TITLE 105
#define IDS_EXIT_SOFTWARE 106
#define IDS_DECLINE 107
#define IDS_DOWNLOAD_FAILED 108   // download result code
#define IDS_PACKAGE_REJECTED 109
#define IDS_PACKAGE_IN_USE 110
#define IDS_INSTALLER_FAILED 111    // system error code
#define IDS_UPGRADE_NOT_STARTED 112 // system error code
#define IDS_SIGNATURE_MISSING 113
#define IDS_SIGNATURE_WRONG 114
// Downloads refused over https
#define IDS_TLS_UNSUPPORTED 115
#define IDS_CERT_UNTRUSTED 116
#define IDS_CERT_WRONG_NAME 117
#define IDS_CERT_EXPIRED 118
#define IDS_CERT_REVOKED 119
#define IDS_INSECURE_REDIRECT 120
// The user's proxy asks for a sign-in
#define IDS_PROXY_SIGN_IN 121

// System menu command of the about box (low four bits clear)
#define IDM_ABOUTBOX 16

// Icon
#define IDI_APP 128

// Bitmaps
#define IDB_CLOSE_STRIP 129  // four 21 x 20 frames: normal, hover, pressed, spare
#define IDB_BACKGROUND 132
#define IDB_SHAPE_MASK 134

// Controls of the update dialog
#define IDC_PROGRESS 1000
#define IDC_PROGRESS_TEXT 1001
#define IDC_NOTES 1002
#define IDC_UPGRADE 1003
#define IDC_CLOSE 1005
#define IDC_NOTES_HEADING 1007
#define IDC_DECLINE 1008
#define IDC_EXIT_SOFTWARE 1009
#define IDC_TITLE 1010
#define IDC_SLOW_HINT 1011
#define IDC_LINK 1012
#define IDC_LATEST_VERSION 1013
