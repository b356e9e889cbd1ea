#include "calendar/settings_file.h"

#include "calendar/calendar_app.h"

#include <windows.h>

#include <string>

namespace {

std::string SettingsPath() {
    return ModuleDirectory + "Tessaly.ini";
}

}  // namespace

int ReadSetting(const char* key) {
    return static_cast<int>(::GetPrivateProfileIntA("setting", key, 0, SettingsPath().c_str()));
}

void WriteSetting(const char* key, int value) {
    ::WritePrivateProfileStringA("setting", key, std::to_string(value).c_str(), SettingsPath().c_str());
}
