// CButton: a push button, check box or radio button of a dialog. The
// programs' skinned buttons derive from it.
#pragma once

#include "framework/wnd.h"

class CButton : public CWnd {};
