// The page text made from a received body: byte for byte the body's lines,
// each followed by CR LF, whatever line breaks the body uses.
#include "page/PageText.h"
#include "PumpCounter.h"
#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace std::string_literals;

struct TextCase
{
    const char* what;
    std::string body;
    std::string text;
};

TEST(PageText, EveryLineBreakBecomesCrLf)
{
    const TextCase rows[] = {
        { "empty", "", "" },
        { "one line without a break", "a", "a\r\n" },
        { "CR LF kept", "a\r\nb\r\n", "a\r\nb\r\n" },
        { "bare LF", "a\nb\n", "a\r\nb\r\n" },
        { "bare CR", "a\rb\r", "a\r\nb\r\n" },
        { "LF CR is two breaks", "a\n\rb", "a\r\n\r\nb\r\n" },
        { "CR CR LF", "a\r\r\nb", "a\r\n\r\nb\r\n" },
        { "empty lines", "\n\n\r\n\r", "\r\n\r\n\r\n\r\n" },
        { "mixed, no break at the end", "x\ry\nz\r\nw", "x\r\ny\r\nz\r\nw\r\n" },
        { "stops at a zero byte", "a\nb\0c\nd"s, "a\r\nb\r\n" },
        { "a zero byte right after a break", "a\r\0b"s, "a\r\n" },
        { "a zero byte first", "\0abc"s, "" },
        { "a zero byte between CR and LF", "a\r\0\n"s, "a\r\n" },
        { "bytes above 127 untouched", "\xE9t\xC3\xA9\n\xFF", "\xE9t\xC3\xA9\r\n\xFF\r\n" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(PageTextOf(row.body), row.text) << row.what;
}

TEST(PageText, EqualsTheBodysLinesJoined)
{
    // Random bodies over line breaks, a zero byte and letters: the text is
    // what splitting the body into lines and joining them gives. Short lines
    // and long ones are written differently.
    std::mt19937 random(11);
    const std::string dense = "ab\r\n\r\n\0"s;
    const std::string sparse = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMN\r\n"s;
    for (int i = 0; i < 20000; ++i) {
        const std::string& alphabet = i % 2 == 0 ? dense : sparse;
        std::string body(random() % (i % 2 == 0 ? 12 : 200), ' ');
        for (char& c : body)
            c = alphabet[random() % alphabet.size()];
        const std::string lines = body.substr(0, body.find('\0'));
        ASSERT_EQ(PageTextOf(body), JoinLines(SplitLines(lines))) << testing::PrintToString(body);
    }
}

TEST(PageText, LinesAcrossTheMiBsItIsMadeIn)
{
    // A break right at, before and after each MiB boundary, and lines that
    // run over one; the text is made a MiB at a time.
    const std::size_t MiB = std::size_t { 1 } << 20;
    for (const std::size_t at : { MiB - 2, MiB - 1, MiB, MiB + 1, 2 * MiB - 1 }) {
        for (const std::string breakBytes : { "\r\n", "\r", "\n", "\n\r" }) {
            std::string body(2 * MiB + 7, 'x');
            body.replace(at, breakBytes.size(), breakBytes);
            body[MiB / 2] = '\n';
            ASSERT_EQ(PageTextOf(body), JoinLines(SplitLines(body)))
                << "at " << at << ": " << testing::PrintToString(breakBytes);
        }
    }
}

TEST(PageText, ALargeBodyLeavesTheWindowItsTurns)
{
    const PumpCounter pumps;
    const std::string text = PageTextOf(std::string(std::size_t { 4 } << 20, '\n'));
    EXPECT_EQ(text.size(), std::size_t { 8 } << 20);
    // A pump point for each MiB counted and each MiB written at least.
    EXPECT_GE(pumps.count(), 8);
}

} // namespace
