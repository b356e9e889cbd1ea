#include "tests/harness/program.h"

namespace harness {

Program::Program(const std::string& exe, const std::string& workingFolder) {
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &process))
        return;
    ::CloseHandle(process.hThread);
    m_process.reset(process.hProcess);
    m_nId = process.dwProcessId;
}

Program::~Program() {
    if (Running()) {
        ::TerminateProcess(m_process.get(), 1);
        ::WaitForSingleObject(m_process.get(), 5000);
    }
}

bool Program::WaitForExit(DWORD timeoutMs, DWORD* exitCode) const {
    if (!m_process || ::WaitForSingleObject(m_process.get(), timeoutMs) != WAIT_OBJECT_0)
        return false;
    if (exitCode)
        ::GetExitCodeProcess(m_process.get(), exitCode);
    return true;
}

bool Program::Running() const {
    return m_process && ::WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT;
}

}  // namespace harness
