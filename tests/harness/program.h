// A program started for a test. It is ended (TerminateProcess) when the
// object goes and the program still runs, so a failing test leaves nothing
// behind.
#pragma once

#include "framework/handles.h"

#include <string>

namespace harness {

class Program {
public:
    // Starts exe with workingFolder as its current directory (empty: ours).
    // Started() tells whether it worked.
    Program(const std::string& exe, const std::string& workingFolder = "");
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const { return static_cast<bool>(m_process); }
    DWORD Id() const { return m_nId; }
    // True when the program ended within timeoutMs; its exit code goes to
    // *exitCode.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr) const;
    bool Running() const;

private:
    UniqueHandle m_process;
    DWORD m_nId = 0;
};

}  // namespace harness
