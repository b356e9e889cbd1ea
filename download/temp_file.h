// The downloader's ".down" file while the download loop writes it. Once the
// file holds the bytes of an answer, its last-write time is that answer's
// validator (its Last-Modified time), set again after every write, so that
// however the loop or even the process ends, a later run continues the file
// only when the server confirms it still has that version (If-Range).
#pragma once

#include "download/http_parse.h"
#include "framework/handles.h"

#include <string>

class CTempFile {
public:
    CTempFile() = default;
    ~CTempFile();
    CTempFile(const CTempFile&) = delete;
    CTempFile& operator=(const CTempFile&) = delete;

    // Opens the file for writing, creating it when missing; readers are allowed.
    bool Open(const std::string& path);
    // Moves to the end; the file's size, or -1 when that fails.
    int64_t SeekToEnd();
    // Right after Open: empties the file for a body written from its start.
    bool Truncate();
    // From now on the file holds bytes of the answer with this validator.
    void KeepAs(HttpTime validator);
    // False unless all bytes were written.
    bool Write(const char* bytes, int count);
    void Close();

private:
    void Stamp();

    UniqueHandle m_hFile;
    bool m_bKept = false;
    HttpTime m_timeValidator = 0;
};
