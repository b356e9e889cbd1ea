// The calendar's settings file "Tessaly.ini" beside the executable, section
// "setting": "MostTop" (display mode, non-zero = always on top) and
// "progress" (transparency slider position). Written the moment a setting
// changes.
#pragma once

// The value of key; 0 when the file, the section or the key is missing.
int ReadSetting(const char* key);
// Stores value as decimal text; the file and section are made when needed.
void WriteSetting(const char* key, int value);
