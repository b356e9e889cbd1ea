#include "calendar/about_dlg.h"

#include "tessaly_resource.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
