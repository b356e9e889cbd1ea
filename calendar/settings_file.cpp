#include "calendar/settings_file.h"

#include "calendar/calendar_app.h"

#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

constexpr char kSection[] = "setting";
constexpr char kFileName[] = "Tessaly.ini";

std::string ProgramCopy() {
    return ModuleDirectory + kFileName;
}

// Empty when the user's folder is unknown.
std::string UserCopy() {
    return UserDirectory.empty() ? std::string() : UserDirectory + kFileName;
}

bool Exists(const std::string& path) {
    return !path.empty() && ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<int> FindIn(const std::string& path, const char* key) {
    char text[32] = "";
    if (!Exists(path) || ::GetPrivateProfileStringA(kSection, key, "", text, sizeof text, path.c_str()) == 0)
        return std::nullopt;
    return static_cast<int>(std::strtol(text, nullptr, 10));
}

}  // namespace

int ReadSetting(const char* key) {
    return FindSetting(key).value_or(0);
}

std::optional<int> FindSetting(const char* key) {
    if (std::optional<int> value = FindIn(UserCopy(), key))
        return value;
    return FindIn(ProgramCopy(), key);
}

void WriteSetting(const char* key, int value) {
    const std::string text = std::to_string(value);
    const std::string userCopy = UserCopy();
    // Once the user's copy exists, a change beside the program would hide
    // behind it.
    if (!Exists(userCopy) && ::WritePrivateProfileStringA(kSection, key, text.c_str(), ProgramCopy().c_str()))
        return;
    if (MakeUserDirectory())
        ::WritePrivateProfileStringA(kSection, key, text.c_str(), userCopy.c_str());
}
