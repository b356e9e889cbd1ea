// CAboutDlg: the about box of the system menu (template 100).
#pragma once

#include "framework/dialog.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();
};
