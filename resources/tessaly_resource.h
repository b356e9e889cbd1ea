// Resource ids of Tessaly, the calendar widget: the only place these numbers
// live. Included by tessaly.rc and by the program's code.
#pragma once

// Dialog templates
#define IDD_ABOUTBOX 100
#define IDD_CALENDAR 102
#define IDD_SETTINGS 132
#define IDD_TITLE_PANEL 144
#define IDD_SPLASH 154

// Strings
#define IDS_ABOUTBOX 101

// System menu command of the about box (low four bits clear)
#define IDM_ABOUTBOX 16

// Icon
#define IDI_APP 128

// Main window: 1-bit shape mask and the skin drawn around the page
#define IDB_MAIN_MASK 130
#define IDB_MAIN_SKIN 131

// Title buttons. The panel and the settings window draw the close button with
// hover 133 / normal 134; the main window's hidden title buttons use 134/133
// (close, the other way round) and 136/135 (settings), magenta being
// transparent.
#define IDB_CLOSE_HOVER 133
#define IDB_CLOSE_NORMAL 134
#define IDB_OK_NORMAL 135
#define IDB_OK_HOVER 136
#define IDB_SETTINGS_HOVER 148
#define IDB_SETTINGS_NORMAL 150
#define IDB_MINIMIZE_HOVER 151
#define IDB_MINIMIZE_NORMAL 152

// Shapes of the panel buttons: pure white is cut away
#define IDB_BUTTON_SHAPE 145
#define IDB_SETTINGS_BUTTON_SHAPE 149

// Settings window skin: title bar pieces and the stretched body
#define IDB_SETTINGS_TITLE_RIGHT 137
#define IDB_SETTINGS_TITLE_MIDDLE 138
#define IDB_SETTINGS_TITLE 139
#define IDB_SETTINGS_TITLE_LEFT 140
#define IDB_SETTINGS_BODY 146

// Built-in loading picture of the splash
#define IDB_SPLASH 153

// Controls
#define IDC_BROWSER 1000       // calendar: the WebBrowser control
#define IDC_TRANSPARENCY 1001  // settings: transparency slider
#define IDC_MODE_NORMAL 1002   // settings: first radio button of the display mode
#define IDC_MODE_TOPMOST 1003  // settings: "always on top" radio button
#define IDC_MINIMIZE 1004      // panel: minimise button
#define IDC_HIDDEN_LABEL 1004  // calendar: label created at run time, kept hidden
#define IDC_SETTINGS 1005      // panel: settings button
#define IDC_PICTURE 1006       // splash: animated picture control
