#include "updater/proxy_rules.h"

#include "download/http_parse.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// A proxy named without a port listens on the port of http.
constexpr uint16_t kDefaultProxyPort = 80;

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The entries of a list separated by any of separators, without empty ones.
std::vector<std::string> Entries(const std::string& list, const char* separators) {
    std::vector<std::string> entries;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find_first_of(separators, start);
        if (end == std::string::npos)
            end = list.size();
        if (end > start)
            entries.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return entries;
}

// A port in decimal, 1 to 65535.
std::optional<uint16_t> ReadPort(const std::string& digits) {
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const long port = std::strtol(digits.c_str(), nullptr, 10);
    if (port < 1 || port > 65535)
        return std::nullopt;
    return static_cast<uint16_t>(port);
}

// "host[:port]" or "[IPv6 address][:port]": the host (an IPv6 address
// without its brackets) and the port text, empty when none is named. False
// when the text is not of that form.
bool SplitHostAndPort(const std::string& text, std::string& host, std::string& port) {
    size_t hostEnd = 0;
    if (!text.empty() && text[0] == '[') {
        const size_t close = text.find(']');
        if (close == std::string::npos || (close + 1 < text.size() && text[close + 1] != ':'))
            return false;
        host = text.substr(1, close - 1);
        hostEnd = close + 1;
    } else {
        hostEnd = std::min(text.rfind(':'), text.size());
        host = text.substr(0, hostEnd);
    }
    port = hostEnd < text.size() ? text.substr(hostEnd + 1) : "";
    return hostEnd == text.size() || !port.empty();
}

// "[http://]host[:port][/]" to an address; nothing when it names none.
std::optional<ProxyAddress> ParseProxyAddress(std::string text) {
    if (Lower(text.substr(0, 7)) == "http://")
        text.erase(0, 7);
    if (!text.empty() && text.back() == '/')
        text.pop_back();
    ProxyAddress address;
    std::string port;
    if (!SplitHostAndPort(text, address.host, port) || address.host.empty())
        return std::nullopt;
    const std::optional<uint16_t> number = port.empty() ? kDefaultProxyPort : ReadPort(port);
    if (!number)
        return std::nullopt;
    address.port = *number;
    return address;
}

// The entry for protocol ("http" or "https") of the server text: its
// "protocol=" entry, else an entry without a protocol, which serves every
// protocol.
std::optional<ProxyAddress> EntryFor(const std::string& server, const std::string& protocol) {
    std::optional<std::string> forProtocol;
    std::optional<std::string> forAll;
    for (const std::string& entry : Entries(server, "; \t\r\n")) {
        const size_t equals = entry.find('=');
        if (equals == std::string::npos) {
            if (!forAll)
                forAll = entry;
        } else if (!forProtocol && Lower(entry.substr(0, equals)) == protocol) {
            forProtocol = entry.substr(equals + 1);
        }
    }
    if (forProtocol)
        return ParseProxyAddress(*forProtocol);
    if (forAll)
        return ParseProxyAddress(*forAll);
    return std::nullopt;
}

// Whether text matches pattern, where "*" stands for any text; both in
// lower case.
bool WildcardMatch(const std::string& pattern, const std::string& text) {
    size_t p = 0, t = 0;
    size_t star = std::string::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (star != std::string::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool IsLoopback(const std::string& host) {
    if (host == "localhost" || host == "::1")
        return true;
    // 127.0.0.0/8 as a dotted address.
    unsigned a = 0, b = 0, c = 0, d = 0;
    char rest = 0;
    return std::sscanf(host.c_str(), "%3u.%3u.%3u.%3u%c", &a, &b, &c, &d, &rest) == 4 && a == 127 &&
           b < 256 && c < 256 && d < 256;
}

// A name with its trailing dot (the root of the name space) is the name.
std::string WithoutTrailingDot(std::string host) {
    if (host.size() > 1 && host.back() == '.')
        host.pop_back();
    return host;
}

// The address being fetched, as the bypass list compares it: its scheme
// ("http" or "https"), host in lower case, without brackets or a trailing
// dot, and port.
struct Destination {
    std::string scheme;
    std::string host;
    uint16_t port = 0;
};

// Whether one bypass entry, "[scheme://]host-pattern[:port]", covers the
// destination: a scheme, where named, must be the address's, and a port,
// where named, the address's port.
bool EntryCovers(std::string entry, const Destination& to) {
    const size_t scheme = entry.find("://");
    if (scheme != std::string::npos) {
        if (entry.compare(0, scheme, to.scheme) != 0)
            return false;
        entry.erase(0, scheme + 3);
    }
    std::string pattern, port;
    if (!SplitHostAndPort(entry, pattern, port))
        return false;
    if (!port.empty() && ReadPort(port) != to.port)
        return false;
    return WildcardMatch(WithoutTrailingDot(pattern), to.host);
}

// Whether the bypass list sends the destination direct; loopback goes direct
// unless the list has "<-loopback>".
bool Bypassed(const Destination& to, const std::string& bypass) {
    bool loopbackDirect = true;
    for (const std::string& entry : Entries(Lower(bypass), "; ,\t\r\n")) {
        if (entry == "<-loopback>")
            loopbackDirect = false;
        else if (entry == "<local>" ? to.host.find('.') == std::string::npos : EntryCovers(entry, to))
            return true;
    }
    return loopbackDirect && IsLoopback(to.host);
}

} // namespace

std::optional<ProxyAddress> HttpProxyFor(const ProxySetting& setting, const std::string& url) {
    if (!setting.manual)
        return std::nullopt;
    // The host as the downloader reads the address.
    std::string host, object;
    uint16_t port = 0;
    bool secure = false;
    if (!ParseUrl(url, host, object, port, &secure) &&
        !ParseUrl("http://" + TrimWhiteSpace(url), host, object, port))
        return std::nullopt;
    Destination to;
    to.host = WithoutTrailingDot(Lower(host));
    if (to.host.size() > 1 && to.host.front() == '[' && to.host.back() == ']')
        to.host = to.host.substr(1, to.host.size() - 2);
    to.port = port;
    to.scheme = secure ? "https" : "http";
    if (Bypassed(to, setting.bypass))
        return std::nullopt;
    return EntryFor(setting.server, to.scheme);
}
