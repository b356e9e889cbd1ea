#include "download/temp_file.h"

#include "download/file_times.h"

CTempFile::~CTempFile() {
    Close();
}

bool CTempFile::Open(const std::string& path) {
    Close();
    m_hFile.reset(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(m_hFile);
}

int64_t CTempFile::SeekToEnd() {
    LARGE_INTEGER end;
    if (!SetFilePointerEx(m_hFile.get(), LARGE_INTEGER{}, &end, FILE_END))
        return -1;
    return end.QuadPart;
}

bool CTempFile::Truncate() {
    return SetEndOfFile(m_hFile.get()) != FALSE;
}

void CTempFile::KeepAs(HttpTime validator) {
    m_bKept = true;
    m_timeValidator = validator;
    Stamp();
}

bool CTempFile::Write(const char* bytes, int count) {
    DWORD written = 0;
    const bool whole = WriteFile(m_hFile.get(), bytes, static_cast<DWORD>(count), &written, nullptr) &&
                       written == static_cast<DWORD>(count);
    Stamp();
    return whole;
}

void CTempFile::Close() {
    m_hFile.reset();
    m_bKept = false;
}

void CTempFile::Stamp() {
    // After every write, which sets the time anew: a process ended in the
    // middle of the body (killed, crashed) leaves a file a later run may
    // still continue.
    if (m_bKept)
        SetLastWriteSeconds(m_hFile.get(), m_timeValidator);
}
