// The downloader's HTTP text handling that needs no Windows API: URL
// splitting, request text, Base64, judging a response header, resolving a
// redirect target and reading HTTP dates. Built into both builds so it runs
// under the sanitizers and the fuzzers.
#pragma once

#include <cstdint>
#include <string>

// Times of the download engine: seconds since 1970-01-01 00:00 UTC.
using HttpTime = int32_t;

// Largest response header accepted; a longer one is refused.
constexpr size_t kMaxHeaderBytes = 64 * 1024;

// Leading and trailing spaces, tabs, CR and LF removed.
std::string TrimWhiteSpace(const std::string& text);

// Ports of the two schemes when the URL names none.
constexpr uint16_t kHttpPort = 80;
constexpr uint16_t kHttpsPort = 443;

// Splits an http or https URL ("http[s]://host[:port]/object[#fragment]")
// into its parts; the fragment is dropped, secure (when given) tells https.
// Fails on another scheme, a missing path, an empty host, a port outside
// 1..65535 and on control characters or spaces anywhere (fragment included),
// which could not travel in a request line.
bool ParseUrl(const std::string& url, std::string& host, std::string& object, uint16_t& port,
              bool* secure = nullptr);

// The URL up to its fragment: what a request line or Referer line may carry.
std::string UrlWithoutFragment(const std::string& url);

// RFC 4648 Base64 of the bytes of text; returns the length of out.
int Base64Encode(const std::string& text, std::string& out);

// What goes into one request; the lines follow in a fixed order.
struct RequestLines {
    std::string method; // "GET " or "HEAD "
    std::string target; // object path, or the whole URL through an HTTP proxy
    std::string host;   // Host line: the name, with ":port" unless the port is the scheme's
    uint16_t port = kHttpPort;
    uint16_t schemePort = kHttpPort;
    std::string userAgent;
    std::string referer;        // no Referer line when empty
    std::string authBasic;      // "user:password", no Authorization line when empty
    std::string proxyAuthBasic; // "user:password", no Proxy-Authorization line when empty
    int64_t rangeFrom = -1;     // Range line "bytes=N-" when above 0
    std::string ifRange;        // If-Range line after the Range line when not empty
};

std::string BuildRequestText(const RequestLines& lines);

// The request that asks an HTTP proxy for a tunnel to host:port, with a
// Proxy-Authorization line when proxyAuthBasic ("user:password") is set.
std::string BuildConnectText(const std::string& host, uint16_t port, const std::string& proxyAuthBasic);

// The judgement of one response header (lines joined by CR LF, without the
// empty line that ends it). A header that is not lines of text (a control
// byte other than tab, a CR outside a line end) is refused.
enum HeaderVerdict {
    VERDICT_ACCEPTED = 0,
    VERDICT_SERVER_ERROR = 1,
    VERDICT_REDIRECT = 2,
    VERDICT_REFUSED = 3
};

struct ResponseFacts {
    int32_t status = 0;
    int32_t contentLength = 0;
    bool hasLastModified = false;
    HttpTime lastModified = 0;
    std::string location; // redirect target as the server wrote it
    bool hasContentRange = false;
    int64_t rangeFirst = 0;     // Content-Range "bytes first-last/complete", or
    int64_t rangeLast = 0;      // "bytes */complete" (first and last -1) in a 416
    int64_t rangeComplete = -1; // -1 when the server wrote "*"
    bool transferCoded = false; // a Transfer-Encoding other than identity
};

HeaderVerdict JudgeResponseHeader(const std::string& header, ResponseFacts& facts);

// Whether a 206 answer carries exactly the rest of the file from offset.
bool PartialAnswerFits(const ResponseFacts& facts, int64_t offset);

// Works out the URL a redirect leads to from the URL being left and the
// Location value. Absolute http and https URLs are taken whole, "//host/path"
// keeps the scheme of the URL being left; "/path" replaces the
// object; a relative value is resolved against the current object's folder,
// each "../" climbing one folder but never above the root; the fragment is
// dropped. Fails for other schemes and for values ParseUrl refuses.
bool ResolveRedirect(const std::string& currentUrl, const std::string& location, std::string& newUrl);

// Reads an HTTP date (RFC 1123, RFC 850 or asctime form) as UTC. Returns
// false when no date in the range of HttpTime can be read.
bool ParseHttpDate(const std::string& text, HttpTime& time);

// The preferred form of an HTTP date, "Sun, 06 Nov 1994 08:49:37 GMT".
std::string FormatHttpDate(HttpTime time);
