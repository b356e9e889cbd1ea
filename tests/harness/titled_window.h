// A hidden top-level window with a given title, standing in for another
// program's main window (for example the suite host's "Wexbury"). Other
// programs find it with FindWindow; it goes with the object.
#pragma once

#include <windows.h>

#include <string>

namespace harness {

class TitledWindow {
public:
    explicit TitledWindow(const std::string& title);
    ~TitledWindow();
    TitledWindow(const TitledWindow&) = delete;
    TitledWindow& operator=(const TitledWindow&) = delete;

    HWND m_hWnd;
};

}  // namespace harness
