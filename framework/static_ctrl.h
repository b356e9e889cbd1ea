// CStatic: a static control of a dialog. The picture control and the
// hyperlink label derive from it.
#pragma once

#include "framework/wnd.h"

class CStatic : public CWnd {};
