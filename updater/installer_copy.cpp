#include "updater/installer_copy.h"

#include "updater/crypt_provider.h"
#include "updater/file_hash.h"
#include "updater/installer_start.h"

#include <vector>

namespace {

constexpr wchar_t kFolderPrefix[] = L"wxb-installer-";
// Names tried before giving up: each is taken only when it did not exist.
constexpr int kFolderAttempts = 100;
constexpr DWORD kCopyChunk = 64 * 1024;

std::wstring TempFolder() {
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, path);
    return length > 0 && length <= MAX_PATH ? std::wstring(path, length) : std::wstring();
}

std::wstring Widened(const std::string& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

// A folder of our own under the temporary folder, made new for this start
// (an existing one, perhaps a planted link, is never taken); empty if none.
std::wstring MakeNewFolder() {
    const std::wstring temp = TempFolder();
    if (temp.empty())
        return std::wstring();
    for (int attempt = 0; attempt < kFolderAttempts; ++attempt) {
        const std::wstring folder = temp + kFolderPrefix + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                    std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(attempt);
        if (CreateDirectoryW(folder.c_str(), nullptr))
            return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return std::wstring();
    }
    return std::wstring();
}

// Writes what from reads, from its start, to to.
bool CopyContents(HANDLE from, HANDLE to) {
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(from, start, nullptr, FILE_BEGIN))
        return false;
    std::vector<BYTE> chunk(kCopyChunk);
    for (;;) {
        DWORD got = 0;
        DWORD written = 0;
        if (!ReadFile(from, chunk.data(), kCopyChunk, &got, nullptr))
            return false;
        if (got == 0)
            return true;
        if (!WriteFile(to, chunk.data(), got, &written, nullptr) || written != got)
            return false;
    }
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

// The path of an open file as the file system resolves it, links followed;
// "\\?\C:\..." becomes "C:\...", "\\?\UNC\server\..." "\\server\...".
std::wstring FinalPathOf(HANDLE file) {
    std::vector<wchar_t> path(MAX_PATH + 1);
    DWORD length = GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()), 0);
    if (length >= path.size()) {
        path.resize(length + 1);
        length = GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()), 0);
    }
    if (length == 0 || length >= path.size())
        return std::wstring();
    std::wstring text(path.data(), length);
    if (text.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        return L"\\" + text.substr(7);
    if (text.compare(0, 4, L"\\\\?\\") == 0 && text.size() >= 7 && text[5] == L':' && text[6] == L'\\')
        return text.substr(4);
    return text;
}

// Deletes the plain files in folder and then the folder; a link is removed
// itself, never what it leads to.
void RemoveFolder(const std::wstring& folder, DWORD attributes) {
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        WIN32_FIND_DATAW found;
        const UniqueFindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &found));
        if (search) {
            do {
                if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                    DeleteFileW((folder + L"\\" + found.cFileName).c_str());
            } while (FindNextFileW(search.get(), &found));
        }
    }
    RemoveDirectoryW(folder.c_str());
}

} // namespace

DWORD CInstallerCopy::Make(HANDLE package, const Sha256Digest& verified, const std::string& fileName) {
    m_strMadeFolder = MakeNewFolder();
    if (m_strMadeFolder.empty())
        return LastFailure();
    m_strMadeFile = m_strMadeFolder + L"\\" + Widened(fileName);
    DWORD error = ERROR_SUCCESS;
    BY_HANDLE_FILE_INFORMATION written{};
    {
        // Nobody else may open the copy while it is written.
        const UniqueHandle copy(CreateFileW(m_strMadeFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!copy || !CopyContents(package, copy.get()) || !GetFileInformationByHandle(copy.get(), &written))
            error = LastFailure();
    }
    // A process cannot start from a file open for writing, so the copy is
    // held anew, with read sharing only, and must be the very file written.
    // Another program may have opened it in between; once held, nobody can
    // write it, so the digest is taken through this handle.
    if (error == ERROR_SUCCESS) {
        m_hFile.reset(CreateFileW(m_strMadeFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        BY_HANDLE_FILE_INFORMATION held{};
        const UniqueCryptProvider provider = AcquireRsaAesProvider();
        if (!m_hFile || !GetFileInformationByHandle(m_hFile.get(), &held) || !provider) {
            error = LastFailure();
        } else if (!SameFile(written, held)) {
            error = ERROR_INVALID_DATA;
        } else {
            const FileHash hash(provider.get(), m_hFile.get());
            if (!hash)
                error = LastFailure();
            else if (hash.digest() != verified)
                error = ERROR_INVALID_DATA;
            else
                m_strPath = FinalPathOf(m_hFile.get());
        }
    }
    if (error == ERROR_SUCCESS && m_strPath.empty())
        error = LastFailure();
    if (error != ERROR_SUCCESS) {
        Discard();
        return error;
    }
    m_strFolder = m_strPath.substr(0, m_strPath.rfind(L'\\') + 1);
    return ERROR_SUCCESS;
}

void CInstallerCopy::Discard() {
    m_hFile.reset();
    if (!m_strMadeFile.empty())
        DeleteFileW(m_strMadeFile.c_str());
    if (!m_strMadeFolder.empty())
        RemoveDirectoryW(m_strMadeFolder.c_str());
    m_strMadeFile.clear();
    m_strMadeFolder.clear();
    m_strPath.clear();
    m_strFolder.clear();
}

void CInstallerCopy::RemoveEarlierFolders() {
    const std::wstring temp = TempFolder();
    if (temp.empty())
        return;
    WIN32_FIND_DATAW found;
    const UniqueFindHandle search(FindFirstFileW((temp + kFolderPrefix + L"*").c_str(), &found));
    if (!search)
        return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            RemoveFolder(temp + found.cFileName, found.dwFileAttributes);
    } while (FindNextFileW(search.get(), &found));
}
