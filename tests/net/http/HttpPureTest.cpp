// Row tests of the HTTP client's pure pieces: request planning, document names,
// relocation targets, header-line parsing, request-header assembly and the
// receive buffer's line splitting.
#include "net/http/HttpHeaderLine.h"
#include "net/http/HttpRcvBuffer.h"
#include "net/http/HttpRequestHeader.h"
#include "net/http/HttpRoute.h"
#include "platform/Errors.h"

#include <gtest/gtest.h>

#include <cstring>

namespace { } // namespace

void PrintTo(const THttpRoute& r, std::ostream* os)
{
    *os << "{" << r.ConnectHost << ", " << r.ConnectPort << ", " << r.TargetHost << ", "
        << r.RequestPath << ", " << r.TargetPort << "}";
}

namespace {

TEST(HttpPure, DocNameFromThePath)
{
    const std::pair<const char*, const char*> rows[] = {
        { "http://host1/dir/", "dir" },
        { "http://host1", "document.htm" },
        { "http://host1/", "document.htm" },
        { "http://host1/a/b.html?x=1", "b.html" },
        { "http://host1/a/b.html?x=1/y", "y" },
        { "http://host1/cgi/prog.exe", "prog.exe" },
        { "http://host1//", "" },
        { "/x?q", "x" },
    };
    for (const auto& [url, want] : rows)
        EXPECT_EQ(PlanRequest(url, "", "80", "", "").DocName, want) << url;
    EXPECT_EQ(DeriveDocName("/" + std::string(300, 'n')).size(), 255u);
}

TEST(HttpPure, DocNameExeBecomesHtmOnlyForHtml)
{
    EXPECT_EQ(DocNameForContentType("prog.exe", "text/html"), "prog.htm");
    EXPECT_EQ(DocNameForContentType("prog.EXE", "text/html"), "prog.htm");
    EXPECT_EQ(DocNameForContentType("prog.exe", "text/plain"), "prog.exe");
    EXPECT_EQ(DocNameForContentType("prog.exe", "text/html; charset=utf-8"), "prog.exe");
    EXPECT_EQ(DocNameForContentType("prog.exec", "text/html"), "prog.exec");
    EXPECT_EQ(DocNameForContentType("prog", "text/html"), "prog");
}

TEST(HttpPure, PlanDirectAndThroughAProxy)
{
    struct Row
    {
        const char* url;
        const char* proxy;
        THttpRoute want;
    };
    const Row rows[] = {
        { "http://host1/x", "", { "host1", "80", "host1", "/x", "" } },
        { "http://host1", "", { "host1", "80", "host1", "/", "" } },
        { "http://u:p@host1:8080/x", "", { "host1", "8080", "host1", "/x", "8080" } },
        // A secure URL goes to port 443, and through a proxy inside a tunnel:
        // the server gets the path alone.
        { "https://host1/x", "", { "host1", "443", "host1", "/x", "", true } },
        { "HTTPS://host1:8443", "", { "host1", "8443", "host1", "/", "8443", true } },
        { "https://host1/x", "proxy1:3128", { "proxy1", "3128", "host1", "/x", "", true } },
        { "http://host1/a b?c#d", "", { "host1", "80", "host1", "/a b?c#d", "" } },
        { "http://host1:8080/x", "proxy1:3128",
            { "proxy1", "3128", "host1", "http://host1:8080/x", "8080" } },
        { "http://host1:8080/x", "proxy1",
            { "proxy1", "8888", "host1", "http://host1:8080/x", "8080" } },
        { "host1/x", "proxy1", { "proxy1", "8888", "host1", "http://host1/x", "" } },
        { "ftp://host1", "proxy1:1", { "proxy1", "1", "host1", "ftp://host1", "" } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.url) + " via " + row.proxy);
        EXPECT_EQ(PlanRequest(row.url, row.proxy, "8888", "", "").Route, row.want);
    }
}

TEST(HttpPure, PlanTakesCredentialsFromTheUrl)
{
    auto plan = PlanRequest("http://joe:pw@host1:8080/x", "", "80", "old", "oldpw");
    EXPECT_EQ(plan.Username, "joe");
    EXPECT_EQ(plan.Password, "pw");
    plan = PlanRequest("http://joe@host1/x", "", "80", "old", "oldpw");
    EXPECT_EQ(plan.Username, "joe");
    EXPECT_EQ(plan.Password, "oldpw");
    plan = PlanRequest("http://host1/x", "", "80", "old", "oldpw");
    EXPECT_EQ(plan.Username, "old");
    EXPECT_EQ(plan.Password, "oldpw");
}

TEST(HttpPure, RelocationTargets)
{
    const THttpRoute direct { "host1", "8080", "host1", "/a/old.html", "8080" };
    const THttpRoute proxied { "proxy1", "3128", "host1", "http://host1:8080/a/old.html", "8080" };
    struct Row
    {
        const char* location;
        bool viaProxy;
        THttpRoute want;
    };
    const Row rows[] = {
        { "/new.html", false, { "host1", "8080", "host1", "/new.html", "8080" } },
        { "b.html", false, { "host1", "8080", "host1", "http://host1:8080/b.html", "8080" } },
        { "//x/y", false, { "host1", "8080", "host1", "//x/y", "8080" } },
        { "http://host2/z", false, { "host2", "80", "host2", "/z", "" } },
        { "http://host2:81/z", false, { "host2", "81", "host2", "/z", "81" } },
        { "http://u:p@host2:81/z", false, { "host2", "81", "host2", "/z", "81" } },
        { "/new.html", true, { "proxy1", "3128", "host1", "http://host1:8080/new.html", "8080" } },
        { "b.html", true, { "proxy1", "3128", "host1", "http://host1:8080/b.html", "8080" } },
        { "http://host2/z", true, { "proxy1", "3128", "host2", "http://host2/z", "" } },
        // An absolute URL without a path names the other server's root, not a
        // document called after that server on the current one.
        { "http://host2", false, { "host2", "80", "host2", "/", "" } },
        { "http://host2:81", false, { "host2", "81", "host2", "/", "81" } },
        { "http://host2", true, { "proxy1", "3128", "host2", "http://host2/", "" } },
        { "http://host2:81", true, { "proxy1", "3128", "host2", "http://host2:81/", "81" } },
        // A relative target with a "/" inside is a name on the current server,
        // not a host called after its first segment.
        { "sub/b.html", false,
            { "host1", "8080", "host1", "http://host1:8080/sub/b.html", "8080" } },
        { "p.php?r=/a", false,
            { "host1", "8080", "host1", "http://host1:8080/p.php?r=/a", "8080" } },
        { "sub/b.html", true,
            { "proxy1", "3128", "host1", "http://host1:8080/sub/b.html", "8080" } },
        { "p?u=http://host3/", false,
            { "host1", "8080", "host1", "http://host1:8080/p?u=http://host3/", "8080" } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.location) + (row.viaProxy ? " via proxy" : " direct"));
        EXPECT_EQ(
            RelocatedRoute(row.viaProxy ? proxied : direct, row.location, row.viaProxy), row.want);
    }
}

TEST(HttpPure, RelocationTargetsBetweenPlainAndSecure)
{
    const THttpRoute plain { "host1", "8080", "host1", "/a/old.html", "8080" };
    const THttpRoute secure { "host1", "8443", "host1", "/a/old.html", "8443", true };
    const THttpRoute plainProxied { "proxy1", "3128", "host1", "http://host1:8080/a/old.html",
        "8080" };
    const THttpRoute secureProxied { "proxy1", "3128", "host1", "/a/old.html", "8443", true };
    struct Row
    {
        const char* location;
        const THttpRoute& from;
        THttpRoute want;
    };
    const Row rows[] = {
        // Targets without a scheme keep the route's.
        { "/new.html", secure, { "host1", "8443", "host1", "/new.html", "8443", true } },
        { "b.html", secure,
            { "host1", "8443", "host1", "https://host1:8443/b.html", "8443", true } },
        { "/new.html", secureProxied, { "proxy1", "3128", "host1", "/new.html", "8443", true } },
        { "b.html", secureProxied,
            { "proxy1", "3128", "host1", "https://host1:8443/b.html", "8443", true } },
        // A scheme named moves the route, to that scheme's port unless one is named.
        { "https://host2/z", plain, { "host2", "443", "host2", "/z", "", true } },
        { "https://host2:9443", plain, { "host2", "9443", "host2", "/", "9443", true } },
        { "HTTPS://host1/z", plain, { "host1", "443", "host1", "/z", "", true } },
        { "http://host2/z", secure, { "host2", "80", "host2", "/z", "" } },
        { "https:///z", plain, { "host1", "443", "host1", "https://host1/z", "", true } },
        { "https://host2/z", plainProxied, { "proxy1", "3128", "host2", "/z", "", true } },
        { "http://host2/z", secureProxied, { "proxy1", "3128", "host2", "http://host2/z", "" } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.location) + " from " + row.from.RequestPath);
        const bool viaProxy = row.from.ConnectHost == "proxy1";
        EXPECT_EQ(RelocatedRoute(row.from, row.location, viaProxy), row.want);
    }
    // The tunnel names the server with its port, 443 when the URL names none.
    EXPECT_EQ(TunnelAuthority(secureProxied), "host1:8443");
    EXPECT_EQ(TunnelAuthority(RelocatedRoute(plainProxied, "https://host2/", true)), "host2:443");
}

TEST(HttpPure, RelativeTargetAfterAnAbsoluteOneThroughAProxy)
{
    const THttpRoute start { "proxy1", "3128", "host1", "http://host1/a", "" };
    const THttpRoute moved = RelocatedRoute(start, "http://host2:81/z", true);
    EXPECT_EQ(RelocatedRoute(moved, "/w", true).RequestPath, "http://host2:81/w");
}

TEST(HttpPure, LocationsWithControlBytesAreUnusable)
{
    EXPECT_TRUE(IsUsableLocation("/ok?a=b c"));
    EXPECT_TRUE(IsUsableLocation("http://h/\x80\xff"));
    for (const char bad : { '\r', '\n', '\0', '\t', '\x1f', '\x7f' })
        EXPECT_FALSE(IsUsableLocation(std::string("/a") + bad + "b")) << int(bad);
}

TEST(HttpPure, StatusLinesAndFields)
{
    struct Row
    {
        const char* line;
        THeaderLineKind kind;
        int code;
        const char* reasonOrName;
        const char* value;
    };
    const Row rows[] = {
        { "HTTP/1.0 404 Not Found", THeaderLineKind::Status, 404, "Not Found", "" },
        { "HTTP/1.1 302 Found", THeaderLineKind::Status, 302, "Found", "" },
        { "HTTP/2.0 200 OK", THeaderLineKind::Status, 200, "OK", "" },
        { "HTTP/1.1 200", THeaderLineKind::Status, 200, "", "" },
        { "http/1.1 200 OK", THeaderLineKind::Other, 0, "", "" },
        { "http/1.1: 200", THeaderLineKind::Field, 0, "http/1.1", "200" },
        { "HTTP/1.2 200 OK", THeaderLineKind::Other, 0, "", "" },
        { "Content-Length:123", THeaderLineKind::Field, 0, "content-length", "23" },
        { "Content-Type: Text/HTML", THeaderLineKind::Field, 0, "content-type", "Text/HTML" },
        { "Location: /new.html", THeaderLineKind::Field, 0, "location", "/new.html" },
        { "X-A:  two", THeaderLineKind::Field, 0, "x-a", " two" },
        { "X-Empty:", THeaderLineKind::Field, 0, "x-empty", "" },
        { "X-One: ", THeaderLineKind::Field, 0, "x-one", "" },
        { "Date: a:b", THeaderLineKind::Field, 0, "date", "a:b" },
        { "no colon here", THeaderLineKind::Other, 0, "", "" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        const THeaderLine got = ParseHeaderLine(row.line);
        EXPECT_EQ(got.Kind, row.kind);
        if (row.kind == THeaderLineKind::Status) {
            EXPECT_EQ(got.StatusCode, row.code);
            EXPECT_EQ(got.ReasonPhrase, row.reasonOrName);
        } else if (row.kind == THeaderLineKind::Field) {
            EXPECT_EQ(got.Name, row.reasonOrName);
            EXPECT_EQ(got.Value, row.value);
        }
    }
}

TEST(HttpPure, NumbersThatAreNotNumbersFailToConvert)
{
    for (const char* line : { "HTTP/1.0 2x0 OK", "HTTP/1.0  200 OK", "HTTP/1.0 +20 OK", "HTTP/1.1",
             "HTTP/1.1 20", "HTTP/1.0 -20 OK" })
        EXPECT_THROW(ParseHeaderLine(line), EConvertError) << line;

    const std::pair<const char*, std::int64_t> good[] = { { "0", 0 }, { "123", 123 }, { "-5", -5 },
        { "9223372036854775807", INT64_MAX }, { "-9223372036854775808", INT64_MIN }, { "007", 7 } };
    for (const auto& [text, want] : good)
        EXPECT_EQ(ParseContentLength(text), want) << text;
    for (const char* bad :
        { "", "-", " 12", "12 ", "+12", "1e3", "0x10", "9223372036854775808", "--1", "1-" })
        EXPECT_THROW(ParseContentLength(bad), EConvertError) << bad;
}

TEST(HttpPure, HeaderlessHtmlFirstLine)
{
    EXPECT_TRUE(IsHeaderlessHtml("<html><head>"));
    EXPECT_TRUE(IsHeaderlessHtml("<HTML>"));
    EXPECT_FALSE(IsHeaderlessHtml("<html "));
    EXPECT_FALSE(IsHeaderlessHtml(" <html>"));
    EXPECT_FALSE(IsHeaderlessHtml("<!DOCTYPE html>"));
}

TEST(HttpPure, RequestHeaderLinesInFixedOrder)
{
    THttpRequestFields f;
    f.Method = "GET";
    f.RequestPath = "/x";
    f.TargetHost = "host1";
    EXPECT_EQ(
        BuildRequestLines(f), (std::vector<std::string> { "GET /x HTTP/1.0", "Host: host1" }));

    f.Method = "POST";
    f.Sender = "me@example.org";
    f.Reference = "http://ref/";
    f.ContentTypePost = "application/x-www-form-urlencoded";
    f.Agent = "Skelvo/1.5";
    f.NoCache = true;
    f.PostSize = 42;
    f.ModifiedSince = EncodeDateTime(2026, 12, 7, 4, 5, 6);
    f.Username = "user";
    f.Password = "pass";
    f.Proxy = "proxy1";
    f.ProxyUsername = "pu";
    f.ProxyPassword = "pp";
    f.Cookie = "a=b";
    const std::vector<std::string> all { "POST /x HTTP/1.0", "From: me@example.org",
        "Referer: http://ref/", "Content-Type: application/x-www-form-urlencoded",
        "User-Agent: Skelvo/1.5", "Host: host1", "Pragma: no-cache", "Content-Length: 42",
        "If-Modified-Since: Mon, 07 Dec 2026 04:05:06 GMT", "Authorization: Basic dXNlcjpwYXNz",
        "Proxy-Authorization: Basic cHU6cHA=", "Cookie: a=b" };
    EXPECT_EQ(BuildRequestLines(f), all);

    // A GET never carries the POST lines; proxy credentials need a proxy.
    f.Method = "GET";
    f.Proxy.clear();
    const auto get = BuildRequestLines(f);
    for (const auto& line : get) {
        EXPECT_NE(line.rfind("Content-", 0), 0u) << line;
        EXPECT_NE(line.rfind("Proxy-", 0), 0u) << line;
    }
    EXPECT_EQ(get.size(), all.size() - 3);
}

TEST(HttpPure, ConnectRequestCarriesTheProxyCredentialsOnly)
{
    EXPECT_EQ(BuildConnectRequest("host1:443", "", "", ""),
        "CONNECT host1:443 HTTP/1.0\r\nHost: host1:443\r\n\r\n");
    EXPECT_EQ(BuildConnectRequest("host1:8443", "Skelvo/1.5", "pu", "pp"),
        "CONNECT host1:8443 HTTP/1.0\r\nUser-Agent: Skelvo/1.5\r\nHost: host1:8443\r\n"
        "Proxy-Authorization: Basic cHU6cHA=\r\n\r\n");
}

TEST(HttpPure, ReceiveBufferSplitsLinesAndKeepsPartialOnes)
{
    THttpRcvBuffer buf;
    const auto put = [&](const std::string& s) {
        ASSERT_LE(static_cast<int>(s.size()), buf.Space());
        std::memcpy(buf.WritePos(), s.data(), s.size());
        buf.Commit(static_cast<int>(s.size()));
    };
    put("one\r\ntwo\nthr");
    std::string line;
    ASSERT_TRUE(buf.TakeLine(line));
    EXPECT_EQ(line, "one");
    ASSERT_TRUE(buf.TakeLine(line));
    EXPECT_EQ(line, "two");
    EXPECT_FALSE(buf.TakeLine(line));
    EXPECT_EQ(buf.Count(), 3);
    put("ee\r\r\n\n");
    ASSERT_TRUE(buf.TakeLine(line));
    EXPECT_EQ(line, "three\r"); // only the CR right before the LF goes
    ASSERT_TRUE(buf.TakeLine(line));
    EXPECT_EQ(line, "");
    EXPECT_EQ(buf.Count(), 0);
    EXPECT_EQ(buf.Data()[0], 0);

    put(std::string("a\0b\n", 4));
    ASSERT_TRUE(buf.TakeLine(line));
    EXPECT_EQ(line, std::string("a\0b", 3));

    put(std::string(THttpRcvBuffer::Capacity, 'x'));
    EXPECT_TRUE(buf.Full());
    EXPECT_EQ(buf.Space(), 0);
    EXPECT_EQ(buf.Data()[THttpRcvBuffer::Capacity], 0);
    EXPECT_FALSE(buf.TakeLine(line));
}

} // namespace
