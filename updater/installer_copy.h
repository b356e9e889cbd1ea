// CInstallerCopy: the copy of a verified package that starts as the
// installer. It lies alone in a new folder that the updater makes for this
// start under the user's temporary folder, so that no DLL planted beside
// the package (an installer loads those from its own folder first) and no
// link in the package's path (a junction pointed elsewhere after the check)
// reaches the start. The copy is read through the handle that has held the
// package since its check, then held with read sharing only until the
// installer's process exists, and its digest is taken through that hold.
#pragma once

#include "framework/handles.h"
#include "updater/sha256_text.h"

#include <string>

class CInstallerCopy {
public:
    CInstallerCopy() = default;
    // Releases the copy but leaves it: the installer runs from it. The next
    // start of the updater removes it (RemoveEarlierFolders).
    ~CInstallerCopy() = default;
    CInstallerCopy(const CInstallerCopy&) = delete;
    CInstallerCopy& operator=(const CInstallerCopy&) = delete;

    // Copies what package reads, from its start, into a new folder as
    // fileName and holds the copy. 0, or the system error code of the
    // failure (ERROR_INVALID_DATA: the copy's digest is not verified); on a
    // failure nothing is left.
    DWORD Make(HANDLE package, const Sha256Digest& verified, const std::string& fileName);
    // The held copy's path as the file system resolves it
    // (GetFinalPathNameByHandleW), without "\\?\" where it needs none.
    const std::wstring& Path() const { return m_strPath; }
    // The folder of Path() with a trailing backslash: the working directory.
    const std::wstring& Folder() const { return m_strFolder; }
    // The installer did not start: the copy and its folder are removed.
    void Discard();

    // Removes the folders of earlier starts with the files in them, where
    // they can be removed (an installer still running keeps its own).
    static void RemoveEarlierFolders();

private:
    UniqueHandle m_hFile;
    std::wstring m_strMadeFolder; // as made, before the file system resolved it
    std::wstring m_strMadeFile;
    std::wstring m_strPath;
    std::wstring m_strFolder;
};
