// CUpdateApp: the updater's application object. It maps the block the
// suite host filled, runs the update dialog and ends the process.
#pragma once

#include "framework/handles.h"
#include "framework/win_app.h"
#include "updater/update_block.h"

class CUpdateApp : public CWinApp {
public:
    BOOL InitInstance() override;

    // Opens and maps the named block; null (and opened = false) when there
    // is none or it is smaller than the block's layout.
    const UpdateBlock* OpenBlock(const char* name, bool& opened);

private:
    UniqueHandle m_hMapping;
    UniqueMappedView m_view; // the whole mapping; unmapped before it is closed
};
