#pragma once

#define IDD_PLAIN 200
#define IDD_VISIBLE 201
#define IDD_ACTIVEX 202
#define IDC_EDIT 1001
#define IDC_RADIO_A 1002
#define IDC_RADIO_B 1003
#define IDC_RADIO_C 1004
#define IDC_AFTER 1005
#define IDC_FIRST 1010
#define IDC_ACTIVEX 1011
#define IDC_LAST 1012
