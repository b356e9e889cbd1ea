// Reading the package and the small files beside it without anyone changing
// them meanwhile.
#pragma once

#include "framework/handles.h"

#include <cstddef>
#include <string>

// Opens an existing file for reading, shared with readers only: while the
// handle is open nobody can write, rename or delete the file.
UniqueHandle OpenForReadingOnly(const std::string& path);

enum class SmallFileRead {
    kRead,
    kMissing,
    kUnreadable, // also: larger than the limit
};

// The whole file, when it has at most limit bytes.
SmallFileRead ReadSmallFile(const std::string& path, size_t limit, std::string& bytes);
