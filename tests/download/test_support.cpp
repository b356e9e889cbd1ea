#include "tests/download/test_support.h"

#include "download/socket_layer.h"
#include "framework/handles.h"
#include "suite/root_certificate.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <random>

namespace {

// Windows Sockets for every test program that links this file.
class WinsockEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    }
    void TearDown() override { WSACleanup(); }
};

const ::testing::Environment* const g_winsock = ::testing::AddGlobalTestEnvironment(new WinsockEnvironment);

// The fixture's test CA (tests/servers/with_servers.py --tls) trusted while
// the program runs, in the test prefix.
class TestCaEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (!EnvText("WXB_TLS_CA").empty()) {
            ASSERT_TRUE(AddRootCertificate(WindowsPath(EnvText("WXB_TLS_CA"))));
        }
    }
    void TearDown() override {
        if (!EnvText("WXB_TLS_CA").empty())
            RemoveRootCertificate(WindowsPath(EnvText("WXB_TLS_CA")));
    }
};

const ::testing::Environment* const g_testCa = ::testing::AddGlobalTestEnvironment(new TestCaEnvironment);

} // namespace

std::string EnvText(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr ? value : "";
}

uint16_t ServerPort(const char* variable) {
    const std::string value = EnvText(variable);
    EXPECT_FALSE(value.empty()) << variable << " is not set: run under tests/servers/with_servers.py";
    return static_cast<uint16_t>(std::atoi(value.c_str()));
}

std::string ServerUrl(const char* portVariable, const std::string& object) {
    // Wine's SSL policy reads no IP address of a certificate: TLS servers go by name.
    const bool tls = std::string(portVariable).find("_TLS") != std::string::npos;
    return (tls ? "https://localhost:" : "http://127.0.0.1:") + std::to_string(ServerPort(portVariable)) +
           object;
}

std::string WindowsPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
}

Bytes PatternBytes(int64_t offset, int64_t length) {
    Bytes bytes(static_cast<size_t>(length));
    for (int64_t i = 0; i < length; ++i) {
        const int64_t at = offset + i;
        bytes[static_cast<size_t>(i)] = static_cast<char>((at * 131 + (at >> 8) * 7 + 13) & 0xFF);
    }
    return bytes;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

Bytes ReadFileBytes(const std::string& path) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    Bytes bytes;
    if (!file)
        return bytes;
    bytes.resize(GetFileSize(file.get(), nullptr));
    DWORD read = 0;
    if (!bytes.empty())
        ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    return bytes;
}

void WriteFileBytes(const std::string& path, const Bytes& bytes) {
    UniqueHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file) << path;
    DWORD written = 0;
    if (!bytes.empty()) {
        ASSERT_TRUE(WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    }
}

Bytes RandomBytes(size_t length, uint32_t seed) {
    std::mt19937 random(seed);
    Bytes bytes(length);
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xFF);
    return bytes;
}

SOCKET LoopbackListener(int backlog, uint16_t& port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(s, backlog);
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return s;
}

uint16_t ClosedPort() {
    uint16_t port = 0;
    closesocket(LoopbackListener(1, port));
    return port;
}

UnansweredPort::UnansweredPort() : m_listener(LoopbackListener(0, m_port)) {
    // Further SYNs are dropped once the backlog is full.
    for (int i = 0; i < 8 && !m_filled; ++i) {
        m_fillers.push_back(SockCreate(AF_INET, SOCK_STREAM, 0));
        m_filled = SockConnectHost(m_fillers.back(), "127.0.0.1", m_port, 300, 1) == -1;
    }
}

UnansweredPort::~UnansweredPort() {
    for (SOCKET filler : m_fillers)
        SockClose(filler, 1);
    closesocket(m_listener);
}

bool LoopbackOnly() {
    const bool inside = EnvText("WXB_LOOPBACK_ONLY") == "1";
    EXPECT_TRUE(inside) << "run under tools/loopback-only: this test looks up names that must not resolve";
    return inside;
}
