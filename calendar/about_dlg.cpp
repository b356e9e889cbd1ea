#include "calendar/about_dlg.h"

#include "resources/tessaly_resource.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
