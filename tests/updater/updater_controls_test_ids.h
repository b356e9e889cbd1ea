// Resource ids of the controls test program.
#pragma once

#define IDD_CONTROLS 100
#define IDB_TEST_STRIP 300

#define IDC_LINK_LEFT 2001
#define IDC_LINK_CENTRE 2002
#define IDC_LINK_RIGHT 2003
#define IDC_LINK_EMPTY 2004
#define IDC_STRIP 2005
#define IDC_LINK_MIDDLE 2006
