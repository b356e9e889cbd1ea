// Helpers shared by the Windows download tests: where the fixture's servers
// listen, the fault server's byte pattern, files.
#pragma once

#include <winsock2.h>

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<char>;

// Port of a server started by tests/servers/with_servers.py; fails the test
// (returns 0) when the variable is missing.
uint16_t ServerPort(const char* variable);
// http://127.0.0.1:port, or https://localhost:port for a TLS server's variable.
std::string ServerUrl(const char* portVariable, const std::string& object);
std::string EnvText(const char* variable);

// Windows path (Wine's Z: drive) of a Unix path.
std::string WindowsPath(const std::string& unixPath);

// Bytes [offset, offset + length) of the fault server's file pattern.
Bytes PatternBytes(int64_t offset, int64_t length);

bool FileExists(const std::string& path);
Bytes ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const Bytes& bytes);

// Random bytes for source files.
Bytes RandomBytes(size_t length, uint32_t seed);

// A listening socket on a free loopback port, which is stored in port.
SOCKET LoopbackListener(int backlog, uint16_t& port);

// A loopback port nothing listens on: connects are refused at once.
uint16_t ClosedPort();

// A loopback listener that never accepts and whose backlog has been filled,
// so that a further connect gets no answer at all and runs into its time-out.
class UnansweredPort {
public:
    UnansweredPort();
    ~UnansweredPort();
    UnansweredPort(const UnansweredPort&) = delete;
    UnansweredPort& operator=(const UnansweredPort&) = delete;

    uint16_t Port() const { return m_port; }
    // False when the backlog never filled (connects are still answered).
    bool Filled() const { return m_filled; }

private:
    uint16_t m_port = 0; // set while m_listener is made
    SOCKET m_listener = INVALID_SOCKET;
    std::vector<SOCKET> m_fillers;
    bool m_filled = false;
};

// Whether the test runs in a network with loopback alone (tools/loopback-only),
// where a name that must not resolve is looked up without leaving the machine.
// Fails the test otherwise.
bool LoopbackOnly();
