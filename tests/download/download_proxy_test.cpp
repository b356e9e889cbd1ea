// Downloads through proxies: tinyproxy (HTTP), microsocks (SOCKS 5) and our
// own SOCKS 4/4A/5 server (tests/servers/socks_proxy.py), which also logs the
// packets it receives and plays the refusal cases.
#include "download/http_download.h"
#include "tests/download/test_support.h"
#include "tests/harness/temp_folder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

// Resolvable by nobody but our SOCKS server, which takes it for 127.0.0.1.
const char kProxyOnlyHost[] = "wexbury-proxy-only.invalid";

class ProxyDownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = m_folder.Path();
        m_target = m_dir + "package.zip";
        m_dl.m_strProxyHost = "127.0.0.1";
        m_dl.m_nRecvTimeout = 3000;
    }

    void UseProxy(int kind, const char* portVariable) {
        m_dl.m_nProxyKind = kind;
        m_dl.m_nProxyPort = ServerPort(portVariable);
    }

    int Get(const std::string& url) { return m_dl.Download(url.c_str(), m_target.c_str(), 1); }
    std::string Fault(const std::string& object) { return ServerUrl("WXB_FAULT_PORT", object); }
    std::string FaultAt(const std::string& host, const std::string& object) {
        return "http://" + host + ":" + std::to_string(ServerPort("WXB_FAULT_PORT")) + object;
    }
    // The fault server's pattern over TLS, from nginx (https://localhost).
    std::string NginxTls(int64_t size) {
        const std::string root = WindowsPath(EnvText("WXB_NGINX_ROOT"));
        WriteFileBytes(root + "\\proxied.bin", PatternBytes(0, size));
        return ServerUrl("WXB_NGINX_TLS_PORT", "/proxied.bin");
    }
    bool GotPattern(int64_t size) { return ReadFileBytes(m_target) == PatternBytes(0, size); }
    std::string Received() {
        const Bytes bytes = ReadFileBytes(m_target);
        return std::string(bytes.begin(), bytes.end());
    }

    // Lines our SOCKS server logged since the last call.
    std::vector<std::string> NewSocksLog() {
        std::ifstream log(EnvText("WXB_SOCKS_LOG"));
        std::vector<std::string> lines;
        std::string line;
        for (size_t n = 0; std::getline(log, line); ++n) {
            if (n >= m_logSeen)
                lines.push_back(line);
        }
        m_logSeen += lines.size();
        return lines;
    }

    // The port in the hex of a packet.
    std::string PortHex() {
        char hex[8];
        snprintf(hex, sizeof hex, "%04x", ServerPort("WXB_FAULT_PORT"));
        return hex;
    }

    harness::TempFolder m_folder;
    CHttpDownload m_dl;
    std::string m_dir;
    std::string m_target;
    size_t m_logSeen = 0;
};

} // namespace

TEST_F(ProxyDownloadTest, HttpProxyGetsTheWholeUrl) {
    // Our fault server as the "proxy" shows the request line it receives.
    UseProxy(PROXY_HTTP, "WXB_FAULT_PORT");
    ASSERT_EQ(Get(Fault("/viaproxy?echo=1")), DL_OK);
    const std::string host = "Host: 127.0.0.1:" + std::to_string(ServerPort("WXB_FAULT_PORT")) + "\r\n";
    EXPECT_EQ(Received().rfind("GET " + Fault("/viaproxy?echo=1") + " HTTP/1.1\r\n" + host, 0), 0u)
        << Received();
    EXPECT_EQ(Received().find("Proxy-Authorization"), std::string::npos);

    m_dl.m_bProxyAuth = 1;
    m_dl.m_strProxyUser = "u";
    m_dl.m_strProxyPassword = "p";
    ASSERT_EQ(Get(Fault("/viaproxy2?echo=1")), DL_OK);
    EXPECT_NE(Received().find("\r\nProxy-Authorization: Basic dTpw\r\n"), std::string::npos) << Received();

    // A rooted redirect through the proxy asks for the new URL, not the old one.
    ASSERT_EQ(Get(Fault("/viaproxy3?redirect=/moved%3Fecho%3D1")), DL_OK);
    EXPECT_EQ(Received().rfind("GET " + Fault("/moved?echo=1") + " HTTP/1.1", 0), 0u) << Received();
}

TEST_F(ProxyDownloadTest, ThroughTinyproxy) {
    UseProxy(PROXY_HTTP, "WXB_TINYPROXY_PORT");
    ASSERT_EQ(Get(Fault("/tiny?size=333333")), DL_OK);
    EXPECT_TRUE(GotPattern(333333));
    const Bytes log = ReadFileBytes(WindowsPath(EnvText("WXB_TINYPROXY_LOG")));
    EXPECT_NE(std::string(log.begin(), log.end()).find("GET " + Fault("/tiny?size=333333") + " HTTP/1.1"),
              std::string::npos)
        << "tinyproxy received the whole URL";

    // https through a tunnel: CONNECT with the host and port, then TLS to nginx.
    ASSERT_EQ(Get(NginxTls(444444)), DL_OK);
    EXPECT_TRUE(GotPattern(444444));
    const Bytes tunnelLog = ReadFileBytes(WindowsPath(EnvText("WXB_TINYPROXY_LOG")));
    EXPECT_NE(
        std::string(tunnelLog.begin(), tunnelLog.end())
            .find("CONNECT localhost:" + std::to_string(ServerPort("WXB_NGINX_TLS_PORT")) + " HTTP/1.1"),
        std::string::npos);

    UseProxy(PROXY_HTTP, "WXB_TINYPROXY_AUTH_PORT");
    for (const std::string& url : {Fault("/tiny?size=1000"), NginxTls(1000)}) {
        m_dl.m_bProxyAuth = 0;
        EXPECT_EQ(Get(url), DL_REFUSED) << "407 without credentials: " << url;
        EXPECT_EQ(m_dl.m_strHeader.rfind("HTTP/1.0 407", 0), 0u) << m_dl.m_strHeader;
        m_dl.m_bProxyAuth = 1;
        m_dl.m_strProxyUser = "proxyuser";
        m_dl.m_strProxyPassword = "proxypass";
        ASSERT_EQ(Get(url), DL_OK) << url;
        EXPECT_TRUE(GotPattern(1000));
    }
}

TEST_F(ProxyDownloadTest, ThroughMicrosocks) {
    UseProxy(PROXY_SOCKS5, "WXB_MICROSOCKS_PORT");
    ASSERT_EQ(Get(Fault("/ms?size=222222")), DL_OK);
    EXPECT_TRUE(GotPattern(222222));
    ASSERT_EQ(Get(NginxTls(222223)), DL_OK) << "https through the same tunnel";
    EXPECT_TRUE(GotPattern(222223));

    // With SOCKS 5 the request line carries only the object path.
    ASSERT_EQ(Get(Fault("/ms?echo=1")), DL_OK);
    EXPECT_EQ(Received().rfind("GET /ms?echo=1 HTTP/1.1\r\n", 0), 0u);

    UseProxy(PROXY_SOCKS5, "WXB_MICROSOCKS_AUTH_PORT");
    EXPECT_EQ(Get(Fault("/ms?size=1000")), DL_NET_ERROR) << "no method both accept";
    m_dl.m_bProxyAuth = 1;
    m_dl.m_strProxyUser = "socksuser";
    m_dl.m_strProxyPassword = "sockspass";
    ASSERT_EQ(Get(Fault("/ms?size=1000")), DL_OK);
    EXPECT_TRUE(GotPattern(1000));
    m_dl.m_strProxyPassword = "wrong";
    EXPECT_EQ(Get(Fault("/ms?size=1000")), DL_NET_ERROR);
}

TEST_F(ProxyDownloadTest, Socks4AndSocks4aPackets) {
    UseProxy(PROXY_SOCKS4, "WXB_SOCKS_PORT");
    NewSocksLog();
    ASSERT_EQ(Get(Fault("/s4?size=5000")), DL_OK);
    EXPECT_TRUE(GotPattern(5000));
    EXPECT_EQ(NewSocksLog(), std::vector<std::string>{"normal connect 0401" + PortHex() + "7f00000100"})
        << "9 bytes with an empty user id";

    if (!LoopbackOnly())
        return;
    m_dl.m_strProxyUser = "bob";
    ASSERT_EQ(Get(FaultAt(kProxyOnlyHost, "/s4?size=10")), DL_NET_ERROR) << "SOCKS 4 needs our own look-up";
    EXPECT_TRUE(NewSocksLog().empty()) << "failed before any connect to the proxy";

    UseProxy(PROXY_SOCKS4A, "WXB_SOCKS_PORT");
    ASSERT_EQ(Get(FaultAt(kProxyOnlyHost, "/s4a?size=6000")), DL_OK);
    EXPECT_TRUE(GotPattern(6000));
    std::string nameHex;
    for (const char* c = kProxyOnlyHost; *c != '\0'; ++c) {
        char hex[3];
        snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(*c));
        nameHex += hex;
    }
    EXPECT_EQ(NewSocksLog(), std::vector<std::string>{"normal connect 0401" + PortHex() + "00000001" +
                                                      "626f6200" + nameHex + "00"});

    ASSERT_EQ(Get(FaultAt("localhost", "/s4a?size=10")), DL_OK);
    EXPECT_EQ(NewSocksLog(), std::vector<std::string>{"normal connect 0401" + PortHex() + "7f000001626f6200"})
        << "a name we can resolve goes as SOCKS 4";
}

TEST_F(ProxyDownloadTest, Socks5PacketsOfOurOwnProxy) {
    UseProxy(PROXY_SOCKS5, "WXB_SOCKS_PORT");
    NewSocksLog();
    ASSERT_EQ(Get(Fault("/s5?size=7000")), DL_OK);
    EXPECT_TRUE(GotPattern(7000));
    EXPECT_EQ(NewSocksLog(), (std::vector<std::string>{"normal greeting 050100",
                                                       "normal connect 050100017f000001" + PortHex()}));

    ASSERT_TRUE(LoopbackOnly());
    ASSERT_EQ(Get(FaultAt(kProxyOnlyHost, "/s5?size=10")), DL_OK);
    char length[3];
    snprintf(length, sizeof length, "%02x", static_cast<unsigned>(sizeof kProxyOnlyHost - 1));
    const std::vector<std::string> log = NewSocksLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].rfind(std::string("normal connect 05010003") + length, 0), 0u) << log[1];

    m_dl.m_bProxyAuth = 1;
    m_dl.m_strProxyUser = "socksuser";
    m_dl.m_strProxyPassword = "sockspass";
    ASSERT_EQ(Get(Fault("/s5?size=10")), DL_OK);
    EXPECT_EQ(NewSocksLog(), (std::vector<std::string>{"normal greeting 05020002",
                                                       "normal auth 0109736f636b7375736572097"
                                                       "36f636b7370617373",
                                                       "normal connect 050100017f000001" + PortHex()}));
    m_dl.m_strProxyPassword = "nope";
    EXPECT_EQ(Get(Fault("/s5?size=10")), DL_NET_ERROR) << "status other than 00";
}

// Proxies that refuse, break off or cannot be reached, each through a whole
// download (retry mode none).
TEST_F(ProxyDownloadTest, ProxyFaultsEndTheDownload) {
    ASSERT_TRUE(LoopbackOnly()) << "SOCKS 4A rows ask for a name only the proxy knows";
    struct ProxyCase {
        const char* what;
        int kind;
        const char* portVariable; // nullptr: a port nothing listens on
        const char* host;
        const char* object;
        int result;
    };
    const ProxyCase cases[] = {
        {"SOCKS 5 answering 05 FF", PROXY_SOCKS5, "WXB_SOCKS_NOMETHOD_PORT", "127.0.0.1", "/x?size=10",
         DL_NET_ERROR},
        {"SOCKS 5 asking for credentials we have not", PROXY_SOCKS5, "WXB_SOCKS_WANTAUTH_PORT", "127.0.0.1",
         "/x?size=10", DL_REFUSED},
        {"SOCKS 5 cut in the method reply", PROXY_SOCKS5, "WXB_SOCKS_CUT_PORT", "127.0.0.1", "/x?size=10",
         DL_NET_ERROR},
        {"SOCKS 5 cut in the authentication reply", PROXY_SOCKS5, "WXB_SOCKS_CUTAUTH_PORT", "127.0.0.1",
         "/x?size=10", DL_NET_ERROR},
        {"SOCKS 5 cut in the CONNECT reply", PROXY_SOCKS5, "WXB_SOCKS_CUTCONNECT_PORT", "127.0.0.1",
         "/x?size=10", DL_NET_ERROR},
        {"SOCKS 5 refusing the CONNECT", PROXY_SOCKS5, "WXB_SOCKS_REJECT_PORT", "127.0.0.1", "/x?size=10",
         DL_NET_ERROR},
        {"SOCKS 4 cut in the reply", PROXY_SOCKS4, "WXB_SOCKS_CUT_PORT", "127.0.0.1", "/x?size=10",
         DL_NET_ERROR},
        {"SOCKS 4 refusing", PROXY_SOCKS4, "WXB_SOCKS_REJECT_PORT", "127.0.0.1", "/x?size=10", DL_NET_ERROR},
        {"SOCKS 4A cut in the reply", PROXY_SOCKS4A, "WXB_SOCKS_CUT_PORT", kProxyOnlyHost, "/x?size=10",
         DL_NET_ERROR},
        {"SOCKS 4A refusing", PROXY_SOCKS4A, "WXB_SOCKS_REJECT_PORT", kProxyOnlyHost, "/x?size=10",
         DL_NET_ERROR},
        {"SOCKS 5 proxy unreachable", PROXY_SOCKS5, nullptr, "127.0.0.1", "/x?size=10", DL_NET_ERROR},
        {"HTTP proxy unreachable", PROXY_HTTP, nullptr, "127.0.0.1", "/x?size=10", DL_NET_ERROR},
        {"502 from the proxy", PROXY_HTTP, "WXB_FAULT_PORT", "127.0.0.1", "/x?status=502", DL_NET_ERROR},
        {"504 from the proxy", PROXY_HTTP, "WXB_FAULT_PORT", "127.0.0.1", "/x?status=504", DL_NET_ERROR},
        {"no such proxy kind", 2, "WXB_SOCKS_PORT", "127.0.0.1", "/x?size=10", DL_REFUSED},
    };
    m_dl.m_strProxyUser = "socksuser";
    m_dl.m_strProxyPassword = "sockspass";
    for (const ProxyCase& c : cases) {
        m_dl.m_nProxyKind = c.kind;
        m_dl.m_nProxyPort = c.portVariable != nullptr ? ServerPort(c.portVariable) : ClosedPort();
        m_dl.m_bProxyAuth =
            c.portVariable != nullptr && std::string(c.portVariable) == "WXB_SOCKS_CUTAUTH_PORT";
        DeleteFileA(m_target.c_str());
        EXPECT_EQ(Get(FaultAt(c.host, c.object)), c.result) << c.what;
        EXPECT_FALSE(FileExists(m_target)) << c.what;
    }

    // tinyproxy cannot reach the server: its 500 is a failed request.
    UseProxy(PROXY_HTTP, "WXB_TINYPROXY_PORT");
    m_dl.m_bProxyAuth = 0;
    EXPECT_EQ(Get("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/x"), DL_NET_ERROR);
    EXPECT_EQ(m_dl.m_strHeader.rfind("HTTP/1.1 500", 0), 0u) << m_dl.m_strHeader;

    // A failed SOCKS step is retried like any failed request.
    UseProxy(PROXY_SOCKS4, "WXB_SOCKS_REJECT_PORT");
    m_dl.m_nRetryMode = RETRY_LIMITED;
    m_dl.m_nRetryLimit = 1;
    EXPECT_EQ(Get(Fault("/x?size=10")), DL_RETRY_LIMIT);
    m_dl.m_nProxyKind = PROXY_HTTP;
    m_dl.m_nProxyPort = ServerPort("WXB_FAULT_PORT");
    EXPECT_EQ(Get(Fault("/retried?status=502&times=1&size=10")), DL_OK) << "a 502 is retried too";
}
