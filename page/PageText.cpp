#include "page/PageText.h"

#include "platform/Pump.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

bool isBreak(char c)
{
    return c == '\r' || c == '\n';
}

constexpr std::size_t PumpedBlock = std::size_t { 1 } << 20;

// How many bytes the page text has beyond `bytes`: one for each CR or LF that
// does not belong to a CR LF pair, and two when the last line has no break.
// A branch-free count, a block at a time.
std::size_t addedBytes(std::string_view bytes)
{
    std::size_t added = 0;
    const std::size_t size = bytes.size();
    for (std::size_t block = 0; block < size; block += PumpedBlock) {
        const std::size_t blockEnd = std::min(size, block + PumpedBlock);
        std::size_t breaks = 0;
        std::size_t pairs = 0;
        for (std::size_t i = block; i < blockEnd; ++i) {
            const bool cr = bytes[i] == '\r';
            breaks += static_cast<std::size_t>(cr) + static_cast<std::size_t>(bytes[i] == '\n');
            pairs += static_cast<std::size_t>(cr && i + 1 < size && bytes[i + 1] == '\n');
        }
        added += breaks - 2 * pairs;
        pumpMessages();
    }
    if (size != 0 && !isBreak(bytes.back()))
        added += 2;
    return added;
}

} // namespace

std::string PageTextOf(std::string body)
{
    const std::size_t length = std::min(body.find('\0'), body.size());
    const std::string_view bytes(body.data(), length);
    const std::size_t added = addedBytes(bytes);
    if (added == 0) {
        // A zero byte early in a large body leaves most of the buffer unused.
        if (length < body.size() / 2)
            return std::string(bytes);
        body.resize(length);
        return body;
    }

    std::string text(length + added, '\0');
    char* out = text.data();
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
    const char* nextPump = at + PumpedBlock;
    while (at != end) {
        const char* const lineEnd = std::find_if(at, end, isBreak);
        std::memcpy(out, at, static_cast<std::size_t>(lineEnd - at));
        out += lineEnd - at;
        *out++ = '\r';
        *out++ = '\n';
        at = lineEnd;
        if (at != end)
            at += *at == '\r' && at + 1 != end && at[1] == '\n' ? 2 : 1;
        if (at >= nextPump) {
            pumpMessages();
            nextPump = at + PumpedBlock;
        }
    }
    return text;
}
