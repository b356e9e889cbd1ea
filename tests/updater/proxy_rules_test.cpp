#include "updater/proxy_rules.h"

#include <gtest/gtest.h>

namespace {

struct ProxyCase {
    const char* what;
    bool manual;
    const char* server;
    const char* bypass;
    const char* url;
    const char* expected; // "host:port", or "" for a direct connection
};

const ProxyCase kProxyCases[] = {
    {"a proxy for every protocol", true, "proxy.corp:3128", "", "http://update.example.com/p.exe",
     "proxy.corp:3128"},
    {"switched off", false, "proxy.corp:3128", "", "http://update.example.com/p.exe", ""},
    {"no server", true, "", "", "http://update.example.com/p.exe", ""},
    {"the http entry of a list", true, "ftp=f:21;http=h:8080;https=s:443", "", "http://a.example.com/",
     "h:8080"},
    {"the http entry wins over one for all", true, "all:1; HTTP=h:2", "", "http://a.example.com/", "h:2"},
    {"a list without http", true, "https=s:443;socks=k:1080", "", "http://a.example.com/", ""},
    {"the https entry of a list for https", true, "http=h:8080;HTTPS=s:8443", "", "https://a.example.com/",
     "s:8443"},
    {"one proxy for all serves https too", true, "all:1", "", "https://a.example.com/", "all:1"},
    {"a list without https", true, "http=h:8080", "", "https://a.example.com/", ""},
    {"a scheme, a slash, no port", true, "http=http://h/", "", "http://a.example.com/", "h:80"},
    {"a port that is no port", true, "h:80x", "", "http://a.example.com/", ""},
    {"port 0", true, "h:0", "", "http://a.example.com/", ""},
    {"a port too large", true, "h:65536", "", "http://a.example.com/", ""},
    {"a bypass entry with a wildcard", true, "p:1", "*.example.org;*.EXAMPLE.com",
     "http://Update.Example.COM/", ""},
    {"a wildcard does not cover the bare domain", true, "p:1", "*.example.com", "http://example.com/", "p:1"},
    {"a wildcard in the middle", true, "p:1", "update*.example.com", "http://update-2.example.com/", ""},
    {"an address pattern", true, "p:1", "10.*", "http://10.1.2.3:8080/p.exe", ""},
    {"entries separated by blanks and commas", true, "p:1", "a.org, b.org c.org", "http://c.org/", ""},
    {"<local> for a name without a dot", true, "p:1", "<local>", "http://intranet/p.exe", ""},
    {"<local> leaves dotted names alone", true, "p:1", "<local>", "http://a.example.com/", "p:1"},
    {"loopback name", true, "p:1", "", "http://LOCALHOST:8080/p.exe", ""},
    {"loopback address", true, "p:1", "", "http://127.12.0.1/p.exe", ""},
    {"not quite loopback", true, "p:1", "", "http://127.0.0.1.example.com/", "p:1"},
    {"an address without a scheme", true, "p:1", "", " update.example.com/p.exe ", "p:1"},
    {"a bypass entry with the address's port", true, "p:1", "intranet:8080", "http://intranet:8080/", ""},
    {"a bypass entry with another port", true, "p:1", "intranet:8080", "http://intranet/p.exe", "p:1"},
    {"a bypass entry for http", true, "p:1", "http://intranet", "http://INTRANET:81/", ""},
    {"a bypass entry for another scheme", true, "p:1", "https://intranet", "http://intranet/", "p:1"},
    {"a bypass entry for https", true, "p:1", "https://intranet", "https://intranet/", ""},
    {"an http bypass entry, an https address", true, "p:1", "http://intranet", "https://intranet/", "p:1"},
    {"<-loopback>: loopback through the proxy", true, "p:1", "<-loopback>", "http://127.0.0.1/", "p:1"},
    {"a host with a trailing dot", true, "p:1", "*.example.com", "http://update.example.com./", ""},
    {"a bypass entry with a trailing dot", true, "p:1", "update.example.com.", "http://update.example.com/",
     ""},
    {"loopback with a trailing dot", true, "p:1", "", "http://localhost./p.exe", ""},
    {"a proxy as an IPv6 address", true, "[::1]:8080", "", "http://a.example.com/", "::1:8080"},
    {"an IPv6 proxy for http, without a port", true, "http=http://[::1]/", "", "http://a.example.com/",
     "::1:80"},
    {"an IPv6 proxy with a bad port", true, "[::1]:x", "", "http://a.example.com/", ""},
    {"an address that is none", true, "p:1", "", "http://", ""},
};

TEST(ProxyRulesTest, ChooseTheHttpProxyOrADirectConnection) {
    for (const ProxyCase& row : kProxyCases) {
        SCOPED_TRACE(row.what);
        ProxySetting setting;
        setting.manual = row.manual;
        setting.server = row.server;
        setting.bypass = row.bypass;
        const std::optional<ProxyAddress> proxy = HttpProxyFor(setting, row.url);
        EXPECT_EQ(row.expected, proxy ? proxy->host + ":" + std::to_string(proxy->port) : "");
    }
}

} // namespace
