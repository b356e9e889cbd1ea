// CWebBrowser2: the wrapper of the hosted WebBrowser control, bound to its
// dialog item with DDX_Control. Calls go to the control's dispatch interface.
#pragma once

#include "framework/handles.h"
#include "framework/wnd.h"

#include <ocidl.h>

#include <string>

class CWebBrowser2 : public CWnd {
public:
    // The control's Navigate method (dispatch id 104) with the address and
    // empty flags, target frame, post data and headers.
    void Navigate(const std::string& strUrl);
    // The control's connection point for the events interface iid; empty
    // when the control offers none.
    ComPtr<IConnectionPoint> FindConnectionPoint(REFIID iid);
};
