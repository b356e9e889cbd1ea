// The words the hyperlink uses when an address could not be opened.
// Windows-free.
#pragma once

#include <string>

// "Unable to open hyperlink:" and the explanation of the open's result code
// (ShellExecute's error values).
std::string LinkErrorText(int code);
