// The screen as a user meets it: screenshots of the X display the programs
// run on (ImageMagick's import, run as a Unix program from inside Wine) and
// mouse input through SendInput.
#pragma once

#include <windows.h>

#include <string>

namespace harness {

// The Unix path of a Windows path (Wine's own mapping); empty when none.
std::string UnixPath(const std::string& windowsPath);

// Runs shellCommand with /bin/sh and waits up to timeoutMs for it to end.
// Wine cannot wait on a Unix process, so the command leaves a marker file.
bool RunUnixCommand(const std::string& shellCommand, DWORD timeoutMs);

// Saves the whole screen as a PNG file.
bool Screenshot(const std::string& windowsPngPath);
// The colour of pixel (x, y) of a saved screenshot; CLR_INVALID when it
// cannot be read.
COLORREF ScreenshotPixel(const std::string& windowsPngPath, int x, int y);

void MoveMouse(int x, int y);
void LeftClick(int x, int y);

}  // namespace harness
