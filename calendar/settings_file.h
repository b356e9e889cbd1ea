// The calendar's settings file "Tessaly.ini", section "setting": "MostTop"
// (display mode, non-zero = always on top), "progress" (transparency slider
// position), "Left" and "Top" (where the window was last left, in screen
// pixels). Written the moment a setting changes.
//
// The file beside the program comes first, so that a suite can ship
// defaults there. When it cannot be written (a program folder the user may
// not write to), a copy of the user's own in UserDirectory takes the
// changes, and from then on its keys come before those beside the program.
#pragma once

#include <optional>

// The value of key; 0 when no file has the key.
int ReadSetting(const char* key);
// The value of key (decimal, with a sign); empty when no file has the key.
std::optional<int> FindSetting(const char* key);
// Stores value as decimal text; the file and section are made when needed.
void WriteSetting(const char* key, int value);
