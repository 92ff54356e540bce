// Where a response's body ends, whether its connection may carry the next
// request, and the request's keep-alive line.
#include "net/http/ResponseFraming.h"
#include "net/http/ChunkedDecoder.h"
#include "net/http/HttpRequestHeader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What a decoder made of input fed in pieces of at most `step` bytes.
struct Decoded
{
    std::string body;
    bool done = false;
    bool failed = false;
    std::size_t used = 0; // input bytes taken
};

Decoded decode(const std::string& input, std::size_t step)
{
    TChunkedDecoder decoder;
    Decoded out;
    for (std::size_t at = 0; at < input.size(); at += step) {
        const std::string part = input.substr(at, step);
        std::size_t pos = 0;
        while (pos < part.size()) {
            const auto piece = decoder.Take(part.data() + pos, part.size() - pos);
            out.body.append(part, pos + piece.DataFrom, piece.DataLen);
            pos += piece.Used;
            out.used += piece.Used;
            if (piece.Used == 0)
                break;
        }
        if (decoder.Done() || decoder.Failed())
            break;
    }
    out.done = decoder.Done();
    out.failed = decoder.Failed();
    return out;
}

TEST(ResponseFraming, ChunkedBodyIsTheSameHoweverItIsCut)
{
    struct Row
    {
        std::string input;
        std::string body;
        bool done;
        bool failed;
    };
    const std::string tail = "HTTP/1.1 200 OK\r\n"; // the next response: never taken
    const std::vector<Row> rows = {
        { "5\r\nhello\r\n0\r\n\r\n" + tail, "hello", true, false },
        { "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n", "hello world", true, false },
        // Upper and lower case digits, an extension, a bare LF, trailer lines.
        { "A;name=\"v\"\r\n0123456789\n1f\r\n" + std::string(31, 'x') + "\r\n0\r\nX-T: 1\r\n\r\n",
            "0123456789" + std::string(31, 'x'), true, false },
        { "0\r\n\r\n", "", true, false },
        // Cut before the end: what came is body, the end is still awaited.
        { "5\r\nhel", "hel", false, false },
        { "5\r\nhello\r\n0\r\n", "hello", false, false },
        // Not a chunked body.
        { "zz\r\n", "", false, true },
        { "\r\n", "", false, true },
        { "5\r\nhelloX\r\n", "hello", false, true },
        { "5\r\nhello\rX", "hello", false, true },
        { "10000000000000\r\n", "", false, true }, // 2^52 bytes
        { "5;" + std::string(TChunkedDecoder::MaxLineBytes, 'e') + "\r\n", "", false, true },
        { "0\r\n" + std::string(TChunkedDecoder::MaxLineBytes + 1, 't') + "\r\n\r\n", "", false,
            true },
    };
    for (const auto& row : rows) {
        for (const std::size_t step : { row.input.size(), std::size_t { 1 }, std::size_t { 2 },
                 std::size_t { 3 }, std::size_t { 7 } }) {
            SCOPED_TRACE(row.input.substr(0, 40) + " in steps of " + std::to_string(step));
            const Decoded got = decode(row.input, step);
            EXPECT_EQ(got.body, row.body);
            EXPECT_EQ(got.done, row.done);
            EXPECT_EQ(got.failed, row.failed);
            if (row.done) {
                EXPECT_EQ(row.input.substr(got.used), row.input.ends_with(tail) ? tail : "");
            }
        }
    }
}

TEST(ResponseFraming, DecoderTakesOneRunOfDataPerCall)
{
    // Each call stops after its data, so the caller hands it on before reading on.
    TChunkedDecoder decoder;
    const std::string input = "3\r\nabc\r\n2\r\nde\r\n0\r\n\r\nrest";
    auto piece = decoder.Take(input.data(), input.size());
    EXPECT_EQ(input.substr(piece.DataFrom, piece.DataLen), "abc");
    EXPECT_EQ(piece.Used, 6u);
    std::size_t at = piece.Used;
    piece = decoder.Take(input.data() + at, input.size() - at);
    EXPECT_EQ(input.substr(at + piece.DataFrom, piece.DataLen), "de");
    at += piece.Used;
    piece = decoder.Take(input.data() + at, input.size() - at);
    EXPECT_EQ(piece.DataLen, 0u);
    EXPECT_TRUE(decoder.Done());
    EXPECT_EQ(input.substr(at + piece.Used), "rest");
    EXPECT_EQ(decoder.Take(input.data(), input.size()).Used, 0u);
}

TEST(ResponseFraming, HeadDecidesTheBodysEndAndTheConnectionsFate)
{
    struct Row
    {
        std::vector<std::string> lines;
        int status;
        bool headRequest;
        TBodyEnd end;
        std::int64_t length;
        bool reusable;
    };
    const std::vector<Row> rows = {
        { { "HTTP/1.1 200 OK", "Content-Length: 12" }, 200, false, TBodyEnd::Length, 12, true },
        { { "HTTP/1.1 200 OK", "content-length:12" }, 200, false, TBodyEnd::Length, 12, true },
        { { "HTTP/1.1 200 OK", "Content-Length: 0" }, 200, false, TBodyEnd::Length, 0, true },
        { { "HTTP/1.1 200 OK", "Content-Length: 5, 5" }, 200, false, TBodyEnd::Length, 5, true },
        { { "HTTP/1.1 200 OK", "Transfer-Encoding: chunked" }, 200, false, TBodyEnd::Chunked, 0,
            true },
        { { "HTTP/1.1 200 OK", "Transfer-Encoding: gzip, Chunked", "Content-Length: 3" }, 200,
            false, TBodyEnd::Chunked, 0, true },
        { { "HTTP/1.1 200 OK", "Transfer-Encoding: chunked, gzip" }, 200, false, TBodyEnd::Close, 0,
            false },
        // No length: the body runs to the close, and the connection goes with it.
        { { "HTTP/1.1 200 OK" }, 200, false, TBodyEnd::Close, 0, false },
        { { "HTTP/1.1 200 OK", "Content-Length: 5", "Content-Length: 6" }, 200, false,
            TBodyEnd::Close, 0, false },
        { { "HTTP/1.1 200 OK", "Content-Length: -5" }, 200, false, TBodyEnd::Close, 0, false },
        { { "HTTP/1.1 200 OK", "Content-Length: 5x" }, 200, false, TBodyEnd::Close, 0, false },
        { { "HTTP/1.1 200 OK", "Content-Length: 9", "Connection: Upgrade, CLOSE" }, 200, false,
            TBodyEnd::Length, 9, false },
        // HTTP/1.0 keeps the connection only when it says so.
        { { "HTTP/1.0 200 OK", "Content-Length: 9" }, 200, false, TBodyEnd::Length, 9, false },
        { { "HTTP/1.0 200 OK", "Content-Length: 9", "Connection: Keep-Alive" }, 200, false,
            TBodyEnd::Length, 9, true },
        // No body, whatever the head says of one.
        { { "HTTP/1.1 304 Not Modified", "Content-Length: 90" }, 304, false, TBodyEnd::None, 0,
            true },
        { { "HTTP/1.1 204 No Content" }, 204, false, TBodyEnd::None, 0, true },
        { { "HTTP/1.1 200 OK", "Content-Length: 90" }, 200, true, TBodyEnd::None, 0, true },
        { { "HTTP/1.1 101 Switching Protocols", "Connection: upgrade" }, 101, false,
            TBodyEnd::Close, 0, false },
        // A later status line starts the head afresh (a relocation's, an announcement's).
        { { "HTTP/1.1 100 Continue", "Connection: close", "HTTP/1.1 200 OK", "Content-Length: 1" },
            200, false, TBodyEnd::Length, 1, true },
        // A head without a status line is no HTTP/1.1 head.
        { { "Content-Length: 4" }, 0, false, TBodyEnd::Length, 4, false },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.lines.back());
        TResponseHead head;
        for (const auto& line : row.lines)
            head.Line(line);
        const TResponseFraming framing = FrameResponse(head, row.status, row.headRequest);
        EXPECT_EQ(framing.End, row.end);
        EXPECT_EQ(framing.Length, row.length);
        EXPECT_EQ(framing.Reusable, row.reusable);
    }
    EXPECT_TRUE(IsInterimStatus(100));
    EXPECT_TRUE(IsInterimStatus(103));
    EXPECT_FALSE(IsInterimStatus(101));
}

TEST(ResponseFraming, KeepAliveRequestAddsItsLineLast)
{
    THttpRequestFields f;
    f.Method = "GET";
    f.RequestPath = "/x";
    f.TargetHost = "host1";
    f.Cookie = "a=b";
    f.Version = "1.1";
    f.KeepAlive = true;
    EXPECT_EQ(BuildRequestLines(f),
        (std::vector<std::string> {
            "GET /x HTTP/1.1", "Host: host1", "Cookie: a=b", "Connection: keep-alive" }));
}

} // namespace
