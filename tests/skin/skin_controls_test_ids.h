// Templates and controls of the skin controls' test dialogs.
#pragma once

#define IDD_BUTTON_HOST 9100
#define IDD_SKIN_HOST 9110

#define IDC_SKIN_PUSH 9101
#define IDC_SKIN_CHECK 9102
#define IDC_SHAPE 9103
#define IDC_PLAIN 9104
#define IDC_CHILD 9111
