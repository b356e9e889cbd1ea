// Last-write times of files in the engine's time unit, seconds since
// 1970-01-01 00:00 UTC: for the downloader, its tests and its benchmarks.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// -1 when the file's status cannot be read.
int64_t LastWriteSeconds(const std::string& path);
bool SetLastWriteSeconds(HANDLE file, int64_t seconds);
bool SetLastWriteSeconds(const std::string& path, int64_t seconds);
