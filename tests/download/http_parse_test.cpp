#include "download/http_parse.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

struct UrlParts {
    bool ok;
    std::string host;
    std::string object;
    uint16_t port;
    bool secure;
};

UrlParts Split(const std::string& url) {
    UrlParts parts{};
    parts.ok = ParseUrl(url, parts.host, parts.object, parts.port, &parts.secure);
    return parts;
}

HeaderVerdict Judge(const std::string& header, ResponseFacts& facts) {
    return JudgeResponseHeader(header, facts);
}

HttpTime Date(const std::string& text) {
    HttpTime t = -1;
    EXPECT_TRUE(ParseHttpDate(text, t)) << text;
    return t;
}

std::string Redirect(const std::string& from, const std::string& location) {
    std::string to;
    return ResolveRedirect(from, location, to) ? to : "<refused>";
}

} // namespace

TEST(ParseUrl, SplitsHostPortAndObject) {
    UrlParts p = Split("  HTTP://Example.com:81/a?b=1  ");
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.host, "Example.com");
    EXPECT_EQ(p.port, 81);
    EXPECT_EQ(p.object, "/a?b=1");

    p = Split("http://h/Dir/File.ZIP#part");
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.port, 80);
    EXPECT_EQ(p.object, "/Dir/File.ZIP") << "the fragment is never sent";
    EXPECT_FALSE(p.secure);
    p = Split("HTTPS://h/x");
    EXPECT_TRUE(p.ok && p.secure);
    EXPECT_EQ(p.port, 443);
    EXPECT_EQ(UrlWithoutFragment("http://h/a?b#c#d"), "http://h/a?b");
    EXPECT_FALSE(Split("http://h#x/y").ok) << "a fragment ends the host: no path";
}

TEST(ParseUrl, RefusesWhatCannotBeRequested) {
    EXPECT_FALSE(Split("http://host").ok) << "no path";
    EXPECT_FALSE(Split("host/file").ok) << "no scheme";
    EXPECT_FALSE(Split("ftp://host/file").ok);
    EXPECT_FALSE(Split("http://user:pw@host/file").ok) << "user information";
    EXPECT_FALSE(Split("http://host:/file").ok);
    EXPECT_FALSE(Split("http://host:0/file").ok);
    EXPECT_FALSE(Split("http://host:65536/file").ok);
    EXPECT_FALSE(Split("http://host:8o/file").ok);
    EXPECT_FALSE(Split("http://:80/file").ok);
    EXPECT_FALSE(Split("http://host/a b").ok) << "a space would split the request line";
    EXPECT_FALSE(Split("http://host/a\r\nX-Injected: 1").ok);
    EXPECT_FALSE(Split("http://host/a#top\r\nX-Injected: 1").ok) << "the fragment is checked too";
    EXPECT_FALSE(Split("http://host/a#b c").ok);
    EXPECT_FALSE(Split("").ok);
}

TEST(Base64, EncodesAsRfc4648) {
    std::string out = "stale";
    EXPECT_EQ(Base64Encode("", out), 0);
    EXPECT_EQ(out, "");
    const std::pair<const char*, const char*> cases[] = {
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foobar", "Zm9vYmFy"},
        {"Aladdin:open sesame", "QWxhZGRpbjpvcGVuIHNlc2FtZQ=="},
        {"\xff\xfe", "//4="}};
    for (const auto& c : cases) {
        EXPECT_EQ(Base64Encode(c.first, out), static_cast<int>(std::string(c.second).size()));
        EXPECT_EQ(out, c.second);
    }
}

TEST(RequestText, DefaultLinesInOrder) {
    RequestLines lines;
    lines.method = "GET ";
    lines.target = "/a/b.zip";
    lines.host = "example.com";
    lines.userAgent = "HttpDownload/2.0";
    EXPECT_EQ(BuildRequestText(lines), "GET /a/b.zip HTTP/1.1\r\n"
                                       "Host: example.com\r\n"
                                       "Accept: */*\r\n"
                                       "Pragma: no-cache\r\n"
                                       "Cache-Control: no-cache\r\n"
                                       "User-Agent: HttpDownload/2.0\r\n"
                                       "Connection: close\r\n"
                                       "\r\n");
}

TEST(RequestText, OptionalLinesInTheirPlaces) {
    RequestLines lines;
    lines.method = "HEAD ";
    lines.target = "http://example.com:8080/x";
    lines.host = "example.com";
    lines.userAgent = "UA";
    lines.referer = "http://r/";
    lines.authBasic = "u:p";
    lines.proxyAuthBasic = "pu:pp";
    lines.rangeFrom = 1234;
    lines.ifRange = "Sun, 06 Nov 1994 08:49:37 GMT";
    lines.port = 8080;
    EXPECT_EQ(BuildRequestText(lines), "HEAD http://example.com:8080/x HTTP/1.1\r\n"
                                       "Proxy-Authorization: Basic cHU6cHA=\r\n"
                                       "Authorization: Basic dTpw\r\n"
                                       "Host: example.com:8080\r\n"
                                       "Accept: */*\r\n"
                                       "Pragma: no-cache\r\n"
                                       "Cache-Control: no-cache\r\n"
                                       "User-Agent: UA\r\n"
                                       "Referer: http://r/\r\n"
                                       "Connection: close\r\n"
                                       "Range: bytes=1234-\r\n"
                                       "If-Range: Sun, 06 Nov 1994 08:49:37 GMT\r\n"
                                       "\r\n");
    lines.rangeFrom = 0;
    EXPECT_EQ(BuildRequestText(lines).find("Range"), std::string::npos)
        << "an empty file asks for everything, without a condition";
    lines.port = lines.schemePort = 443;
    EXPECT_NE(BuildRequestText(lines).find("\r\nHost: example.com\r\n"), std::string::npos)
        << "https's own port";
    EXPECT_EQ(BuildConnectText("h", 443, "pu:pp"),
              "CONNECT h:443 HTTP/1.1\r\nHost: h:443\r\nProxy-Authorization: Basic cHU6cHA=\r\n\r\n");
}

TEST(ResponseHeader, AcceptsStatusAndLength) {
    ResponseFacts f;
    EXPECT_EQ(Judge("HTTP/1.1 200 OK\r\nContent-Length: 1234\r\n", f), VERDICT_ACCEPTED);
    EXPECT_EQ(f.status, 200);
    EXPECT_EQ(f.contentLength, 1234);
    EXPECT_FALSE(f.hasLastModified);

    EXPECT_EQ(Judge("http/1.0 206 Partial\r\nCONTENT-LENGTH:  7 \r\ncontent-range: bytes 3-9/10\r\n", f),
              VERDICT_ACCEPTED);
    EXPECT_EQ(f.contentLength, 7);
    EXPECT_TRUE(PartialAnswerFits(f, 3));
    EXPECT_FALSE(PartialAnswerFits(f, 4)) << "must start where the Range line asked";

    // An empty reason phrase is allowed, and trimming makes "200 " into "200".
    EXPECT_EQ(Judge("HTTP/1.1 200\r\nContent-Length: 1\r\n", f), VERDICT_ACCEPTED);
}

TEST(ResponseHeader, JudgesStatusClasses) {
    ResponseFacts f;
    EXPECT_EQ(Judge("HTTP/1.1 204 No Content\r\n", f), VERDICT_REFUSED) << "no Content-Length";
    EXPECT_EQ(Judge("HTTP/1.1 404 Not Found\r\nContent-Length: 5\r\n", f), VERDICT_REFUSED);
    EXPECT_EQ(Judge("HTTP/1.1 416 Range Not Satisfiable\r\nContent-Length: 0\r\n", f), VERDICT_REFUSED);
    EXPECT_EQ(Judge("HTTP/1.1 503 Busy\r\nContent-Length: 5\r\n", f), VERDICT_SERVER_ERROR);
    EXPECT_EQ(Judge("HTTP/1.1 500 Oops\r\n", f), VERDICT_SERVER_ERROR);
    EXPECT_EQ(Judge("HTTP/1.1 301 Moved\r\nContent-Length: 0\r\n", f), VERDICT_REFUSED) << "no Location";
    EXPECT_EQ(Judge("HTTP/1.1 302 Found\r\nLocation: /x\r\n", f), VERDICT_REDIRECT);
    EXPECT_EQ(f.location, "/x");
    EXPECT_EQ(Judge("HTTP/1.1 100 Continue\r\nContent-Length: 5\r\n", f), VERDICT_REFUSED);
    EXPECT_EQ(Judge("HTTP/1.1 -200 OK\r\nContent-Length: 5\r\n", f), VERDICT_REFUSED);
    EXPECT_EQ(Judge("HTTP/1.1 2000 OK\r\nContent-Length: 5\r\n", f), VERDICT_REFUSED);
    EXPECT_EQ(Judge("ICY 200 OK\r\nContent-Length: 5\r\n", f), VERDICT_REFUSED);
    EXPECT_EQ(Judge("HTTP/1.1\r\nContent-Length: 5\r\n", f), VERDICT_REFUSED);
    EXPECT_EQ(Judge("HTTP/1.1 200 OK", f), VERDICT_REFUSED) << "no line end";
    EXPECT_EQ(Judge("", f), VERDICT_REFUSED);
}

TEST(ResponseHeader, NamesMatchOnlyAtTheStartOfALine) {
    ResponseFacts f;
    EXPECT_EQ(Judge("HTTP/1.1 302 Found\r\n"
                    "X-Note: see location: /wrong\r\n"
                    "Content-Location: /wrong-too\r\n"
                    "Location: /Right/Path.zip\r\n",
                    f),
              VERDICT_REDIRECT);
    EXPECT_EQ(f.location, "/Right/Path.zip") << "the value keeps its letter case";

    EXPECT_EQ(Judge("HTTP/1.1 200 OK\r\nX-Content-Length: 99\r\n", f), VERDICT_REFUSED);
    EXPECT_EQ(
        Judge("HTTP/1.1 200 OK\r\nX-Last-Modified: Sun, 06 Nov 1994 08:49:37 GMT\r\nContent-Length: 3\r\n",
              f),
        VERDICT_ACCEPTED);
    EXPECT_FALSE(f.hasLastModified);
}

TEST(ResponseHeader, RefusesDoubtfulFraming) {
    ResponseFacts f;
    EXPECT_EQ(Judge("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 10\r\n", f),
              VERDICT_REFUSED)
        << "chunk sizes would land in the file";
    EXPECT_EQ(Judge("HTTP/1.1 200 OK\r\ntransfer-encoding: gzip, chunked\r\nContent-Length: 10\r\n", f),
              VERDICT_REFUSED);
    EXPECT_EQ(Judge("HTTP/1.1 200 OK\r\nTransfer-Encoding: Identity\r\nContent-Length: 10\r\n", f),
              VERDICT_ACCEPTED);
    EXPECT_EQ(Judge("HTTP/1.1 302 Found\r\nTransfer-Encoding: chunked\r\nLocation: /x\r\n", f),
              VERDICT_REDIRECT)
        << "a redirect's body is never read";
    const std::string notText[] = {"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\0\r\n"s,
                                   "HTTP/1.1 200 OK\r\nX-A: a\0b\r\nContent-Length: 10\r\n"s,
                                   "HTTP/1.1 200 OK\r\nX-A: \x01\r\nContent-Length: 10\r\n",
                                   "HTTP/1.1 200 OK\r\nX-A: a\rContent-Length: 10\r\n",
                                   "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\n"};
    for (const std::string& header : notText)
        EXPECT_EQ(Judge(header, f), VERDICT_REFUSED) << header;
    EXPECT_EQ(Judge("HTTP/1.1 200 OK\r\nX-A: \ta\xb0\xa1\r\nContent-Length: 10\r\n", f), VERDICT_ACCEPTED)
        << "tabs and bytes above 127 are text";

    EXPECT_EQ(Judge("HTTP/1.1 200 OK\r\nContent-Length: 10\r\nContent-Length: 12\r\n", f), VERDICT_REFUSED);
    EXPECT_EQ(Judge("HTTP/1.1 200 OK\r\nContent-Length: 10, 12\r\n", f), VERDICT_REFUSED);
    EXPECT_EQ(Judge("HTTP/1.1 200 OK\r\nContent-Length: 10\r\nContent-Length: 10\r\n", f), VERDICT_ACCEPTED);
    EXPECT_EQ(f.contentLength, 10);
    EXPECT_EQ(Judge("HTTP/1.1 200 OK\r\nContent-Length: -5\r\n", f), VERDICT_REFUSED);
    EXPECT_EQ(Judge("HTTP/1.1 200 OK\r\nContent-Length: 12abc\r\n", f), VERDICT_REFUSED);
    EXPECT_EQ(Judge("HTTP/1.1 200 OK\r\nContent-Length: 2147483648\r\n", f), VERDICT_REFUSED);
    EXPECT_EQ(Judge("HTTP/1.1 200 OK\r\nContent-Length:\r\n", f), VERDICT_REFUSED);
    EXPECT_EQ(Judge("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n", f), VERDICT_ACCEPTED);
    EXPECT_EQ(f.contentLength, 0);
}

TEST(ResponseHeader, RefusesOversizedHeader) {
    ResponseFacts f;
    std::string header = "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n";
    while (header.size() <= kMaxHeaderBytes)
        header += "X-Filler: " + std::string(100, 'x') + "\r\n";
    EXPECT_EQ(Judge(header, f), VERDICT_REFUSED);
}

TEST(ResponseHeader, PartialAnswerMustReachTheEnd) {
    ResponseFacts f;
    Judge("HTTP/1.1 206 P\r\nContent-Length: 5\r\nContent-Range: bytes 5-9/20\r\n", f);
    EXPECT_FALSE(PartialAnswerFits(f, 5)) << "a piece in the middle would finish a short file";
    Judge("HTTP/1.1 206 P\r\nContent-Length: 5\r\nContent-Range: bytes 5-9/*\r\n", f);
    EXPECT_TRUE(PartialAnswerFits(f, 5));
    Judge("HTTP/1.1 206 P\r\nContent-Length: 6\r\nContent-Range: bytes 5-9/10\r\n", f);
    EXPECT_FALSE(PartialAnswerFits(f, 5)) << "length and range disagree";
    Judge("HTTP/1.1 206 P\r\nContent-Length: 5\r\n", f);
    EXPECT_FALSE(PartialAnswerFits(f, 5)) << "no Content-Range";
    Judge("HTTP/1.1 206 P\r\nContent-Length: 5\r\nContent-Range: bytes 9-5/10\r\n", f);
    EXPECT_FALSE(PartialAnswerFits(f, 9));
    Judge("HTTP/1.1 416 Range Not Satisfiable\r\nContent-Length: 5\r\nContent-Range: bytes */20\r\n", f);
    EXPECT_TRUE(f.hasContentRange);
    EXPECT_EQ(f.rangeComplete, 20) << "the size of the whole file";
    EXPECT_FALSE(PartialAnswerFits(f, 20));
}

TEST(Redirect, ResolvesAgainstTheCurrentUrl) {
    const std::string from = "http://Host:8080/a/b/c.zip?q=1/2";
    EXPECT_EQ(Redirect(from, "http://Other/X/Y.ZIP"), "http://Other/X/Y.ZIP");
    EXPECT_EQ(Redirect(from, "HTTP://other/y"), "HTTP://other/y");
    EXPECT_EQ(Redirect(from, "/New/Path.zip"), "http://Host:8080/New/Path.zip");
    EXPECT_EQ(Redirect(from, "../x/y.zip"), "http://Host:8080/a/x/y.zip");
    EXPECT_EQ(Redirect(from, "y.zip"), "http://Host:8080/a/b/y.zip");
    EXPECT_EQ(Redirect(from, "./y.zip?a=../b"), "http://Host:8080/a/b/y.zip?a=../b");
    EXPECT_EQ(Redirect(from, "..\\d\\e.zip"), "http://Host:8080/a/d/e.zip");
    EXPECT_EQ(Redirect(from, "../../../../up.zip"), "http://Host:8080/up.zip") << "never above the root";
    EXPECT_EQ(Redirect(from, "//cdn.example/f.zip"), "http://cdn.example/f.zip");
    EXPECT_EQ(Redirect("https://h/a", "//cdn.example/f.zip"), "https://cdn.example/f.zip")
        << "the same scheme";
    EXPECT_EQ(Redirect(from, "HTTPS://other/y"), "HTTPS://other/y");
    EXPECT_EQ(Redirect("http://h/", "f.zip"), "http://h/f.zip");
    EXPECT_EQ(Redirect(from, "/x.zip?v=2#part"), "http://Host:8080/x.zip?v=2") << "the fragment is dropped";
    EXPECT_EQ(Redirect(from, "http://Other/y#part"), "http://Other/y");
}

TEST(Redirect, RefusesWhatCannotBeFollowed) {
    EXPECT_EQ(Redirect("http://h/a", "ftp://h/a"), "<refused>");
    EXPECT_EQ(Redirect("http://h/a", "http://h"), "<refused>");
    EXPECT_EQ(Redirect("http://h/a", "/a b"), "<refused>");
    EXPECT_EQ(Redirect("http://h/a", "/a#b c"), "<refused>") << "the fragment is checked too";
    EXPECT_EQ(Redirect("http://h/a", "http://h/a#\x01"), "<refused>");
    // A URL inside the query is no absolute target.
    EXPECT_EQ(Redirect("http://h/a", "/go?to=http://x/y"), "http://h/go?to=http://x/y");
}

TEST(HttpDate, ReadsTheThreeForms) {
    const HttpTime expected = 784111777; // 1994-11-06 08:49:37 UTC
    // The preferred form both ways: what we read and what we write in If-Range.
    const std::pair<const char*, HttpTime> preferred[] = {{"Sun, 06 Nov 1994 08:49:37 GMT", expected},
                                                          {"Thu, 01 Jan 1970 00:00:00 GMT", 0},
                                                          {"Tue, 19 Jan 2038 03:14:07 GMT", INT32_MAX},
                                                          {"Wed, 29 Feb 2012 12:00:00 GMT", 1330516800},
                                                          {"Tue, 31 Dec 1991 23:59:59 GMT", 694223999}};
    for (const auto& row : preferred) {
        EXPECT_EQ(Date(row.first), row.second);
        EXPECT_EQ(FormatHttpDate(row.second), row.first);
    }
    EXPECT_EQ(Date("Sunday, 06-Nov-94 08:49:37 GMT"), expected);
    EXPECT_EQ(Date("Sun Nov  6 08:49:37 1994"), expected);
    EXPECT_EQ(Date("Sun, 6 Nov 1994 08:49:37 GMT"), expected) << "a one-digit day";
    EXPECT_EQ(Date("Thu, 01 Jun 2023 00:00:00 GMT"), 1685577600) << "Jun is June";
    EXPECT_EQ(Date("Sun, 06 Xyz 1994 08:49:37 GMT"), 757846177) << "unknown month letters give January";
}

TEST(HttpDate, RefusesShortAndOutOfRangeDates) {
    const char* bad[] = {"",
                         ",",
                         "Sun,",
                         "Sun, 06",
                         "Sun, 06 Nov",
                         "Sun, 06 Nov 1994",
                         "Sun, 06 Nov 1994 08:49",
                         "Sun, 06 Nov 1994 8:49:37 GMT",
                         "Sun, 06 Nov 1994 25:00:00 GMT",
                         "Sun, 00 Nov 1994 08:49:37 GMT",
                         "Sun, 06 Nov 1969 23:59:59 GMT",
                         "Tue, 19 Jan 2038 03:14:08 GMT",
                         "Sun Nov  6 08:49:37",
                         "yesterday"};
    for (const char* text : bad) {
        HttpTime t = 0;
        EXPECT_FALSE(ParseHttpDate(text, t)) << text;
    }
}

TEST(ResponseHeader, TakesLastModified) {
    ResponseFacts f;
    EXPECT_EQ(
        Judge("HTTP/1.1 200 OK\r\nlast-MODIFIED:  Sun, 06 Nov 1994 08:49:37 GMT \r\nContent-Length: 3\r\n",
              f),
        VERDICT_ACCEPTED);
    EXPECT_TRUE(f.hasLastModified);
    EXPECT_EQ(f.lastModified, 784111777);
}
