#include "updater/file_reading.h"

#include <windows.h>

#include <utility>

UniqueHandle OpenForReadingOnly(const std::string& path) {
    return UniqueHandle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

SmallFileRead ReadSmallFile(const std::string& path, size_t limit, std::string& bytes) {
    const UniqueHandle file = OpenForReadingOnly(path);
    if (!file) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? SmallFileRead::kMissing
                                                                              : SmallFileRead::kUnreadable;
    }
    // One byte more than the limit tells an over-long file from one that fits.
    std::string read(limit + 1, '\0');
    size_t got = 0;
    while (got < read.size()) {
        DWORD chunk = 0;
        if (!ReadFile(file.get(), &read[got], static_cast<DWORD>(read.size() - got), &chunk, nullptr))
            return SmallFileRead::kUnreadable;
        if (chunk == 0)
            break;
        got += chunk;
    }
    if (got > limit)
        return SmallFileRead::kUnreadable;
    read.resize(got);
    bytes = std::move(read);
    return SmallFileRead::kRead;
}
