// CUpdateSkinDialog: the skinned dialog base as the updater builds it. Its
// paint handler draws the shape bitmap, and a shape that cannot be applied
// is reported with a message box before the dialog goes on rectangular.
#pragma once

#include "skin/skin_dialog.h"

class CUpdateSkinDialog : public CSkinDialog {
public:
    using CSkinDialog::CSkinDialog;

    // Without a shape id (the About box) there is no shape to apply.
    void ApplySkinRegion() override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint();
};
