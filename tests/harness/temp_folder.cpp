#include "tests/harness/temp_folder.h"

#include "framework/handles.h"

#include <windows.h>

namespace harness {

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = folder + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path + "\\");
            } else {
                ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(path.c_str());
            }
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryA(folder.c_str());
}

std::string ReadWholeFile(const std::string& path) {
    UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes;
    if (!file)
        return bytes;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    return bytes;
}

TempFolder::TempFolder() {
    char base[MAX_PATH] = "";
    ::GetTempPathA(MAX_PATH, base);
    for (unsigned attempt = 0;; ++attempt) {
        const std::string path = std::string(base) + "wxb" + std::to_string(::GetCurrentProcessId()) + "_" +
                                 std::to_string(::GetTickCount()) + "_" + std::to_string(attempt);
        if (::CreateDirectoryA(path.c_str(), nullptr)) {
            m_strPath = path + "\\";
            return;
        }
    }
}

TempFolder::~TempFolder() {
    RemoveTree(m_strPath);
}

bool TempFolder::CopyIn(const std::string& source, const std::string& name) const {
    std::string target = name;
    if (target.empty())
        target = source.substr(source.find_last_of("\\/") + 1);
    return ::CopyFileA(source.c_str(), Path(target).c_str(), FALSE) != FALSE;
}

bool TempFolder::Exists(const std::string& name) const {
    return ::GetFileAttributesA(Path(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string TempFolder::Read(const std::string& name) const {
    return ReadWholeFile(Path(name));
}

bool TempFolder::Write(const std::string& name, const std::string& bytes) const {
    UniqueHandle file(::CreateFileA(Path(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

}  // namespace harness
