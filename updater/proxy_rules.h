// Which HTTP proxy, if any, the user's proxy setting names for a download:
// the rules of Windows' manual proxy setting, free of Windows calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The user's proxy setting for the connection, as Windows keeps it.
struct ProxySetting {
    bool manual = false; // a proxy server is switched on
    // "host:port" for every protocol, or a list per protocol such as
    // "http=host:port;https=host:port"; an IPv6 address in brackets
    // ("[::1]:8080").
    std::string server;
    // Names and addresses reached directly: ";"-separated entries
    // "[scheme://]host[:port]", which cover only that scheme and port where
    // they name one, "*" matching any text; "<local>" every name without a
    // dot; "<-loopback>" sends loopback through the proxy too.
    std::string bypass;
};

struct ProxyAddress {
    std::string host; // a name, or an address (IPv6 without brackets)
    uint16_t port = 0;
};

// The HTTP proxy through which url is to be fetched (an https url through a
// tunnel), the entry of its protocol; nothing for a direct connection: no
// manual proxy, none for the url's protocol, a bypassed host, or a loopback
// name or address (direct unless the list says "<-loopback>", as on
// Windows). A name with a trailing dot counts as the name without it.
std::optional<ProxyAddress> HttpProxyFor(const ProxySetting& setting, const std::string& url);
