#include "download/file_times.h"

#include "framework/handles.h"

namespace {

// Seconds between 1601-01-01 (FILETIME) and 1970-01-01.
constexpr int64_t kFileTimeEpochOffset = 11644473600LL;
constexpr int64_t kFileTimeTicksPerSecond = 10000000LL;

} // namespace

int64_t LastWriteSeconds(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    const int64_t ticks =
        static_cast<int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
    return ticks / kFileTimeTicksPerSecond - kFileTimeEpochOffset;
}

bool SetLastWriteSeconds(HANDLE file, int64_t seconds) {
    const int64_t ticks = (seconds + kFileTimeEpochOffset) * kFileTimeTicksPerSecond;
    const FILETIME time{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
    return SetFileTime(file, nullptr, nullptr, &time) != FALSE;
}

bool SetLastWriteSeconds(const std::string& path, int64_t seconds) {
    UniqueHandle file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && SetLastWriteSeconds(file.get(), seconds);
}
