#include "updater/proxy_rules.h"

#include "download/http_parse.h"

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

// "[http://]host[:port][/]" to an address; nothing when it names none.
std::optional<ProxyAddress> ParseProxyAddress(std::string text) {
    if (Lower(text.substr(0, 7)) == "http://")
        text.erase(0, 7);
    if (!text.empty() && text.back() == '/')
        text.pop_back();
    ProxyAddress address;
    address.port = kDefaultProxyPort;
    const size_t colon = text.rfind(':');
    if (colon != std::string::npos) {
        const std::string digits = text.substr(colon + 1);
        if (digits.empty() || digits.size() > 5 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        const long port = std::strtol(digits.c_str(), nullptr, 10);
        if (port < 1 || port > 65535)
            return std::nullopt;
        address.port = static_cast<uint16_t>(port);
        text.erase(colon);
    }
    if (text.empty())
        return std::nullopt;
    address.host = text;
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
    if (host == "localhost" || host == "::1" || host == "[::1]")
        return true;
    // 127.0.0.0/8 as a dotted address.
    unsigned a = 0, b = 0, c = 0, d = 0;
    char rest = 0;
    return std::sscanf(host.c_str(), "%3u.%3u.%3u.%3u%c", &a, &b, &c, &d, &rest) == 4 && a == 127 &&
           b < 256 && c < 256 && d < 256;
}

bool Bypassed(const std::string& host, const std::string& bypass) {
    for (const std::string& entry : Entries(Lower(bypass), "; ,\t\r\n")) {
        if (entry == "<local>" ? host.find('.') == std::string::npos : WildcardMatch(entry, host))
            return true;
    }
    return false;
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
    host = Lower(host);
    if (IsLoopback(host) || Bypassed(host, setting.bypass))
        return std::nullopt;
    return EntryFor(setting.server, secure ? "https" : "http");
}
