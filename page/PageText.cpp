#include "page/PageText.h"

#include "platform/Pump.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t Block = std::size_t { 1 } << 20;

bool isBreak(char c)
{
    return c == '\r' || c == '\n';
}

// The text in blocks of about a MiB; a CR LF pair is never parted.
std::vector<std::string_view> blocksOf(std::string_view text)
{
    std::vector<std::string_view> blocks;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = std::min(text.size(), start + Block);
        if (text[end - 1] == '\r' && end < text.size() && text[end] == '\n')
            ++end;
        blocks.push_back(text.substr(start, end - start));
        start = end;
    }
    return blocks;
}

// How many bytes the block's text has beyond the block: one for each CR or LF
// that is not part of a CR LF pair.
std::size_t addedBytes(std::string_view block)
{
    if (block.empty())
        return 0;
    std::size_t breaks = 0;
    std::size_t pairs = 0;
    // Branch-free and counted in runs short enough for byte-wide counters, so
    // that the compiler can count 16 or 32 bytes at a time.
    constexpr std::size_t Run = 127;
    const auto* const bytes = reinterpret_cast<const unsigned char*>(block.data());
    const std::size_t last = block.size() - 1;
    for (std::size_t run = 0; run < last; run += Run) {
        const std::size_t end = std::min(last, run + Run);
        unsigned char runBreaks = 0;
        unsigned char runPairs = 0;
        for (std::size_t i = run; i < end; ++i) {
            const unsigned char cr = bytes[i] == '\r';
            runBreaks += static_cast<unsigned char>(cr + (bytes[i] == '\n'));
            runPairs += static_cast<unsigned char>(cr & (bytes[i + 1] == '\n'));
        }
        breaks += runBreaks;
        pairs += runPairs;
    }
    breaks += static_cast<std::size_t>(isBreak(block.back()));
    return breaks - 2 * pairs;
}

// Writes the block with each of its line breaks as CR LF to `out`, a byte at
// a time: for short lines, a copy per line costs more.
void writeShortLines(std::string_view block, char* out)
{
    const char* at = block.data();
    const char* const end = at + block.size();
    while (at != end) {
        const char c = *at++;
        if (!isBreak(c)) {
            *out++ = c;
            continue;
        }
        *out++ = '\r';
        *out++ = '\n';
        if (c == '\r' && at != end && *at == '\n')
            ++at;
    }
}

// The same for lines of some length: each line is copied whole, its end
// found by memchr for each kind of break, of which the next of each is kept.
void writeLongLines(std::string_view block, char* out)
{
    const auto next = [&block](char c, std::size_t from) {
        const void* found = std::memchr(block.data() + from, c, block.size() - from);
        return found == nullptr
            ? block.size()
            : static_cast<std::size_t>(static_cast<const char*>(found) - block.data());
    };
    std::size_t nextCr = next('\r', 0);
    std::size_t nextLf = next('\n', 0);
    std::size_t at = 0;
    while (at < block.size()) {
        if (nextCr < at)
            nextCr = next('\r', at);
        if (nextLf < at)
            nextLf = next('\n', at);
        const std::size_t lineEnd = std::min(nextCr, nextLf);
        std::memcpy(out, block.data() + at, lineEnd - at);
        out += lineEnd - at;
        if (lineEnd == block.size())
            break;
        *out++ = '\r';
        *out++ = '\n';
        at = lineEnd + (lineEnd == nextCr && nextLf == lineEnd + 1 ? 2 : 1);
    }
}

} // namespace

std::string PageTextOf(std::string body)
{
    const std::size_t length = std::min(body.find('\0'), body.size());
    const std::string_view bytes(body.data(), length);
    const bool lastLineEnded = length == 0 || isBreak(bytes.back());

    // A block at a time with a pump point after each, and so is a copy when
    // one is needed: the system finds the pages of a copy of tens of MiB as
    // it is written, and that takes time of its own.
    const std::vector<std::string_view> blocks = blocksOf(bytes);
    std::vector<std::size_t> added;
    added.reserve(blocks.size());
    bool inShape = lastLineEnded;
    for (const std::string_view block : blocks) {
        added.push_back(addedBytes(block));
        inShape = inShape && added.back() == 0;
        pumpMessages();
    }
    if (inShape) {
        // The body's buffer is the text, unless a zero byte early in a large
        // body would leave most of it unused.
        if (length < body.size() / 2)
            return std::string(bytes);
        body.resize(length);
        return body;
    }

    std::string text;
    std::size_t size = length + (lastLineEnded ? 0 : 2);
    for (const std::size_t more : added)
        size += more;
    text.reserve(size);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const std::size_t at = text.size();
        text.resize(at + blocks[i].size() + added[i]);
        // Lines of 16 bytes or more on average are copied whole.
        if (added[i] * 16 > blocks[i].size())
            writeShortLines(blocks[i], text.data() + at);
        else
            writeLongLines(blocks[i], text.data() + at);
        pumpMessages();
    }
    if (!lastLineEnded)
        text += "\r\n";
    return text;
}
