// A fresh folder under the temporary directory for one test, removed with
// everything in it afterwards. Programs started from it must have ended by
// then (declare the folder before them).
#pragma once

#include <string>

namespace harness {

// The bytes of a file (also one another program is writing); empty when it
// cannot be read.
std::string ReadWholeFile(const std::string& path);
// Removes folder (ending with a backslash) with everything in it.
void RemoveTree(const std::string& folder);

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder, ending with a backslash.
    const std::string& Path() const { return m_strPath; }
    // Path of name inside the folder.
    std::string Path(const std::string& name) const { return m_strPath + name; }

    // Copies source into the folder as name (default: its own file name).
    bool CopyIn(const std::string& source, const std::string& name = "") const;
    bool Exists(const std::string& name) const;
    // The file's bytes; empty when it cannot be read.
    std::string Read(const std::string& name) const;
    bool Write(const std::string& name, const std::string& bytes) const;

private:
    std::string m_strPath;
};

}  // namespace harness
