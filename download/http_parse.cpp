#include "download/http_parse.h"

#include <cstddef>
#include <cstdio>
#include <vector>

namespace {

const char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerAscii(const std::string& text) {
    std::string lower(text);
    for (char& c : lower)
        c = LowerAscii(c);
    return lower;
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    size_t i = 0;
    for (; prefix[i] != '\0'; ++i) {
        if (i >= text.size() || LowerAscii(text[i]) != prefix[i])
            return false;
    }
    return true;
}

// A byte that cannot stand in a request line or header value unescaped.
bool IsUnsafeUrlByte(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u <= 0x20 || u == 0x7F;
}

bool HasUnsafeUrlByte(const std::string& text) {
    for (char c : text) {
        if (IsUnsafeUrlByte(c))
            return true;
    }
    return false;
}

// Lines of text joined by CR LF: no control byte but tab, no CR or LF
// outside a line end.
bool IsHeaderText(const std::string& header) {
    for (size_t i = 0; i < header.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(header[i]);
        if (c == '\r' && i + 1 < header.size() && header[i + 1] == '\n')
            ++i;
        else if ((c < 0x20 && c != '\t') || c == 0x7F)
            return false;
    }
    return true;
}

// Reads an unsigned decimal number that makes up all of text, at most max.
bool ReadDecimal(const std::string& text, int64_t max, int64_t& value) {
    if (text.empty() || text.size() > 18)
        return false;
    value = 0;
    for (char c : text) {
        if (!IsDigit(c))
            return false;
        value = value * 10 + (c - '0');
    }
    return value <= max;
}

std::vector<std::string> SplitWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (c == ' ' || c == '\t') {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty())
        words.push_back(word);
    return words;
}

// Month names of HTTP dates; letters outside the list give January.
int MonthFromName(const std::string& name) {
    static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};
    std::string lower = LowerAscii(name);
    for (int i = 0; i < 12; ++i) {
        if (lower == kMonths[i])
            return i + 1;
    }
    return 1;
}

// "hh:mm:ss" into seconds of the day.
bool ReadClock(const std::string& text, int64_t& seconds) {
    int64_t h = 0, m = 0, s = 0;
    if (text.size() != 8 || text[2] != ':' || text[5] != ':')
        return false;
    if (!ReadDecimal(text.substr(0, 2), 23, h) || !ReadDecimal(text.substr(3, 2), 59, m) ||
        !ReadDecimal(text.substr(6, 2), 60, s))
        return false;
    seconds = h * 3600 + m * 60 + s;
    return true;
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// The civil date of a day count from 1970-01-01 (the inverse of DaysFromCivil).
void CivilFromDays(int64_t days, int64_t& year, int64_t& month, int64_t& day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    year = yearOfEra + era * 400 + (month <= 2);
}

bool MakeTime(const std::string& dayText, const std::string& monthText, const std::string& yearText,
              const std::string& clockText, HttpTime& time) {
    int64_t day = 0, year = 0, clock = 0;
    if (!ReadDecimal(dayText, 31, day) || day < 1 || !ReadDecimal(yearText, 9999, year) ||
        !ReadClock(clockText, clock))
        return false;
    if (yearText.size() == 2)
        year += year < 70 ? 2000 : 1900;
    const int64_t value = DaysFromCivil(year, MonthFromName(monthText), day) * 86400 + clock;
    if (value < 0 || value > INT32_MAX)
        return false;
    time = static_cast<HttpTime>(value);
    return true;
}

// "bytes first-last/complete", complete may be "*"; "bytes */complete" in a 416.
bool ReadContentRange(const std::string& value, ResponseFacts& facts) {
    if (!StartsWithNoCase(value, "bytes "))
        return false;
    const std::string range = TrimWhiteSpace(value.substr(6));
    int64_t unsatisfied = 0;
    if (range.compare(0, 2, "*/") == 0 && ReadDecimal(range.substr(2), INT32_MAX, unsatisfied)) {
        facts.hasContentRange = true;
        facts.rangeFirst = facts.rangeLast = -1;
        facts.rangeComplete = unsatisfied;
        return true;
    }
    const size_t dash = range.find('-');
    const size_t slash = range.find('/');
    if (dash == std::string::npos || slash == std::string::npos || slash < dash)
        return false;
    int64_t first = 0, last = 0, complete = -1;
    if (!ReadDecimal(range.substr(0, dash), INT32_MAX, first) ||
        !ReadDecimal(range.substr(dash + 1, slash - dash - 1), INT32_MAX, last) || last < first)
        return false;
    const std::string completeText = range.substr(slash + 1);
    if (completeText != "*" && !ReadDecimal(completeText, INT32_MAX, complete))
        return false;
    facts.hasContentRange = true;
    facts.rangeFirst = first;
    facts.rangeLast = last;
    facts.rangeComplete = complete;
    return true;
}

// Removes "." and ".." segments of an absolute path; ".." stops at the root.
std::string RemoveDotSegments(const std::string& path) {
    std::vector<std::string> segments;
    size_t start = 1;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string segment = path.substr(start, end - start);
        const bool last = end == path.size();
        if (segment == "..") {
            if (!segments.empty())
                segments.pop_back();
            if (last)
                segments.emplace_back();
        } else if (segment == ".") {
            if (last)
                segments.emplace_back();
        } else {
            segments.push_back(segment);
        }
        start = end + 1;
    }
    std::string result;
    for (const std::string& segment : segments)
        result += "/" + segment;
    return result.empty() ? "/" : result;
}

} // namespace

std::string TrimWhiteSpace(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsWhiteSpace(text[begin]))
        ++begin;
    while (end > begin && IsWhiteSpace(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

bool ParseUrl(const std::string& url, std::string& host, std::string& object, uint16_t& port, bool* secure) {
    host.clear();
    object.clear();
    port = 0;
    const std::string whole = TrimWhiteSpace(url);
    if (HasUnsafeUrlByte(whole))
        return false;
    // The fragment names a place inside the document; it is never sent.
    const std::string text = UrlWithoutFragment(whole);
    const size_t schemeEnd = text.find("://");
    if (schemeEnd == std::string::npos)
        return false;
    const std::string scheme = LowerAscii(text.substr(0, schemeEnd + 3));
    if (scheme != "http://" && scheme != "https://")
        return false;
    const bool https = scheme == "https://";
    const std::string rest = text.substr(schemeEnd + 3);
    const size_t slash = rest.find('/');
    if (slash == std::string::npos)
        return false;
    const std::string hostPart = rest.substr(0, slash);
    // User information before the host is not supported.
    if (hostPart.find('@') != std::string::npos)
        return false;
    const size_t colon = hostPart.find(':');
    int64_t portValue = https ? kHttpsPort : kHttpPort;
    if (colon != std::string::npos &&
        (!ReadDecimal(hostPart.substr(colon + 1), 65535, portValue) || portValue == 0))
        return false;
    const std::string hostName = hostPart.substr(0, colon);
    if (hostName.empty())
        return false;
    host = hostName;
    object = rest.substr(slash);
    port = static_cast<uint16_t>(portValue);
    if (secure != nullptr)
        *secure = https;
    return true;
}

std::string UrlWithoutFragment(const std::string& url) {
    return url.substr(0, url.find('#'));
}

int Base64Encode(const std::string& text, std::string& out) {
    out.clear();
    const size_t n = text.size();
    out.reserve((n + 2) / 3 * 4);
    for (size_t i = 0; i < n; i += 3) {
        uint32_t group = static_cast<unsigned char>(text[i]) << 16;
        if (i + 1 < n)
            group |= static_cast<unsigned char>(text[i + 1]) << 8;
        if (i + 2 < n)
            group |= static_cast<unsigned char>(text[i + 2]);
        out += kBase64Alphabet[(group >> 18) & 63];
        out += kBase64Alphabet[(group >> 12) & 63];
        out += i + 1 < n ? kBase64Alphabet[(group >> 6) & 63] : '=';
        out += i + 2 < n ? kBase64Alphabet[group & 63] : '=';
    }
    return static_cast<int>(out.size());
}

std::string BuildRequestText(const RequestLines& lines) {
    std::string text = lines.method + lines.target + " HTTP/1.1\r\n";
    std::string encoded;
    if (!lines.proxyAuthBasic.empty()) {
        Base64Encode(lines.proxyAuthBasic, encoded);
        text += "Proxy-Authorization: Basic " + encoded + "\r\n";
    }
    if (!lines.authBasic.empty()) {
        Base64Encode(lines.authBasic, encoded);
        text += "Authorization: Basic " + encoded + "\r\n";
    }
    text += "Host: " + lines.host;
    if (lines.port != lines.schemePort)
        text += ":" + std::to_string(lines.port);
    text += "\r\n";
    text += "Accept: */*\r\n";
    text += "Pragma: no-cache\r\n";
    text += "Cache-Control: no-cache\r\n";
    text += "User-Agent: " + lines.userAgent + "\r\n";
    if (!lines.referer.empty())
        text += "Referer: " + lines.referer + "\r\n";
    text += "Connection: close\r\n";
    if (lines.rangeFrom > 0)
        text += "Range: bytes=" + std::to_string(lines.rangeFrom) + "-\r\n";
    if (lines.rangeFrom > 0 && !lines.ifRange.empty())
        text += "If-Range: " + lines.ifRange + "\r\n";
    text += "\r\n";
    return text;
}

std::string BuildConnectText(const std::string& host, uint16_t port, const std::string& proxyAuthBasic) {
    const std::string authority = host + ":" + std::to_string(port);
    std::string text = "CONNECT " + authority + " HTTP/1.1\r\nHost: " + authority + "\r\n";
    if (!proxyAuthBasic.empty()) {
        std::string encoded;
        Base64Encode(proxyAuthBasic, encoded);
        text += "Proxy-Authorization: Basic " + encoded + "\r\n";
    }
    return text + "\r\n";
}

HeaderVerdict JudgeResponseHeader(const std::string& header, ResponseFacts& facts) {
    facts = ResponseFacts();
    if (header.size() > kMaxHeaderBytes || !IsHeaderText(header))
        return VERDICT_REFUSED;
    const size_t statusEnd = header.find("\r\n");
    if (statusEnd == std::string::npos)
        return VERDICT_REFUSED;

    // "HTTP/x.y NNN reason"; the reason phrase may be empty or missing.
    const std::vector<std::string> statusWords = SplitWords(TrimWhiteSpace(header.substr(0, statusEnd)));
    int64_t status = 0;
    if (statusWords.size() < 2 || !StartsWithNoCase(statusWords[0], "http/") || statusWords[1].size() != 3 ||
        !ReadDecimal(statusWords[1], 999, status))
        return VERDICT_REFUSED;
    facts.status = static_cast<int32_t>(status);

    // Fields are found by their name at the start of a line, in any case;
    // the first of each wins, except that Content-Length values must agree.
    bool hasLength = false, lengthValid = true;
    bool hasLocation = false;
    size_t lineStart = statusEnd + 2;
    while (lineStart < header.size()) {
        size_t lineEnd = header.find("\r\n", lineStart);
        if (lineEnd == std::string::npos)
            lineEnd = header.size();
        const std::string line = header.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 2;
        const size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        const std::string name = LowerAscii(line.substr(0, colon));
        const std::string value = TrimWhiteSpace(line.substr(colon + 1));
        if (name == "content-length") {
            // A list "n, n" may repeat one value; differing values are refused.
            size_t itemStart = 0;
            do {
                size_t comma = value.find(',', itemStart);
                if (comma == std::string::npos)
                    comma = value.size();
                int64_t length = 0;
                if (!ReadDecimal(TrimWhiteSpace(value.substr(itemStart, comma - itemStart)), INT32_MAX,
                                 length) ||
                    (hasLength && length != facts.contentLength))
                    lengthValid = false;
                facts.contentLength = static_cast<int32_t>(length);
                hasLength = true;
                itemStart = comma + 1;
            } while (itemStart <= value.size());
        } else if (name == "last-modified" && !facts.hasLastModified) {
            facts.hasLastModified = ParseHttpDate(value, facts.lastModified);
        } else if (name == "location" && !hasLocation) {
            hasLocation = true;
            facts.location = value;
        } else if (name == "content-range" && !facts.hasContentRange) {
            ReadContentRange(value, facts);
        } else if (name == "transfer-encoding" && LowerAscii(value) != "identity") {
            // The body is framed in a way we do not decode; Content-Length means nothing then.
            facts.transferCoded = true;
        }
    }
    if (!lengthValid)
        facts.contentLength = 0;

    if (status >= 500)
        return status <= 599 ? VERDICT_SERVER_ERROR : VERDICT_REFUSED;
    if (status >= 400)
        return VERDICT_REFUSED;
    if (status >= 300)
        return facts.location.empty() ? VERDICT_REFUSED : VERDICT_REDIRECT;
    if (status < 200 || !hasLength || !lengthValid || facts.transferCoded)
        return VERDICT_REFUSED;
    return VERDICT_ACCEPTED;
}

bool PartialAnswerFits(const ResponseFacts& facts, int64_t offset) {
    return facts.hasContentRange && facts.rangeFirst == offset &&
           facts.rangeLast - facts.rangeFirst + 1 == facts.contentLength &&
           (facts.rangeComplete < 0 || facts.rangeComplete == facts.rangeLast + 1);
}

bool ResolveRedirect(const std::string& currentUrl, const std::string& location, std::string& newUrl) {
    std::string host, object;
    uint16_t port = 0;
    if (HasUnsafeUrlByte(location))
        return false;
    if (StartsWithNoCase(location, "http://") || StartsWithNoCase(location, "https://")) {
        newUrl = UrlWithoutFragment(location);
        return ParseUrl(newUrl, host, object, port);
    }
    std::string value = UrlWithoutFragment(location);
    for (char& c : value) {
        if (c == '\\')
            c = '/';
    }
    const size_t scheme = value.find("://");
    if (scheme != std::string::npos && scheme < value.find_first_of("/?#"))
        return false; // a scheme this downloader does not speak
    if (value.compare(0, 2, "//") == 0) {
        newUrl = currentUrl.substr(0, currentUrl.find("://") + 1) + value;
        return ParseUrl(newUrl, host, object, port);
    }

    const size_t hostStart = currentUrl.find("://");
    if (hostStart == std::string::npos)
        return false;
    const size_t objectStart = currentUrl.find('/', hostStart + 3);
    if (objectStart == std::string::npos)
        return false;
    const std::string base = currentUrl.substr(0, objectStart);
    if (value.empty() || value[0] != '/') {
        // Relative to the folder of the current object, without its query.
        std::string folder = currentUrl.substr(objectStart);
        folder = folder.substr(0, folder.find_first_of("?#"));
        folder = folder.substr(0, folder.rfind('/') + 1);
        value = folder + value;
    }
    const size_t queryStart = value.find('?');
    const std::string path = value.substr(0, queryStart);
    const std::string query = queryStart == std::string::npos ? std::string() : value.substr(queryStart);
    newUrl = base + RemoveDotSegments(path) + query;
    return ParseUrl(newUrl, host, object, port);
}

bool ParseHttpDate(const std::string& text, HttpTime& time) {
    const std::string value = TrimWhiteSpace(text);
    const size_t comma = value.find(',');
    if (comma != std::string::npos) {
        // "Sun, 06 Nov 1994 08:49:37 GMT" or "Sunday, 06-Nov-94 08:49:37 GMT"
        std::string rest = value.substr(comma + 1);
        const std::vector<std::string> firstWords = SplitWords(rest);
        if (!firstWords.empty() && firstWords[0].find('-') != std::string::npos) {
            for (char& c : rest) {
                if (c == '-')
                    c = ' ';
            }
        }
        const std::vector<std::string> words = SplitWords(rest);
        return words.size() >= 4 && MakeTime(words[0], words[1], words[2], words[3], time);
    }
    // asctime form: "Sun Nov  6 08:49:37 1994"
    const std::vector<std::string> words = SplitWords(value);
    return words.size() >= 5 && MakeTime(words[2], words[1], words[4], words[3], time);
}

std::string FormatHttpDate(HttpTime time) {
    static const char* const kDays[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};
    static const char* const kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const int64_t seconds = time;
    const int64_t days = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
    const int64_t clock = seconds - days * 86400;
    int64_t year = 0, month = 0, day = 0;
    CivilFromDays(days, year, month, day);
    char text[40];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[((days % 7) + 7) % 7],
                  static_cast<int>(day), kMonthNames[month - 1], static_cast<int>(year),
                  static_cast<int>(clock / 3600), static_cast<int>(clock / 60 % 60),
                  static_cast<int>(clock % 60));
    return text;
}
