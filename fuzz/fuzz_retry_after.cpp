// Retry-After values. The first 16 bytes pick "now" and a moment, written in
// each HTTP date form by the C library's own calendar: the wait read back is
// the time from now to that moment (0 once past; the two-digit year only
// within its 100-year window). The rest of the input is a value of its own:
// whatever it holds, a wait is never negative and blanks around it change
// nothing.
#include "fuzz/FuzzCheck.h"
#include "net/http/RetryAfter.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>

namespace {

// The first second of the year 10000: four-digit years only.
constexpr std::int64_t YearTenThousand = 253402300800;

std::uint64_t takeWord(const uint8_t*& data, size_t& size)
{
    std::uint64_t word = 0;
    const size_t n = size < sizeof word ? size : sizeof word;
    std::memcpy(&word, data, n);
    data += n;
    size -= n;
    return word;
}

std::string format(const char* layout, const std::tm& moment)
{
    char text[64];
    const size_t n = std::strftime(text, sizeof text, layout, &moment);
    return std::string(text, n);
}

void checkDates(std::int64_t now, std::int64_t moment)
{
    const std::time_t asTime = moment;
    std::tm parts {};
    FUZZ_CHECK(gmtime_r(&asTime, &parts) != nullptr);
    const std::int64_t want = moment > now ? moment - now : 0;
    FUZZ_CHECK(ParseRetryAfter(format("%a, %d %b %Y %H:%M:%S GMT", parts), now) == want);
    FUZZ_CHECK(ParseRetryAfter(format("%a %b %e %H:%M:%S %Y", parts), now) == want);

    std::tm nowParts {};
    const std::time_t nowTime = now;
    FUZZ_CHECK(gmtime_r(&nowTime, &nowParts) != nullptr);
    const int yearsAhead = parts.tm_year - nowParts.tm_year;
    if (yearsAhead > -50 && yearsAhead <= 50)
        FUZZ_CHECK(ParseRetryAfter(format("%A, %d-%b-%y %H:%M:%S GMT", parts), now) == want);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto now = static_cast<std::int64_t>(takeWord(data, size) % YearTenThousand);
    const auto moment = static_cast<std::int64_t>(takeWord(data, size) % YearTenThousand);
    checkDates(now, moment);

    const std::string value(reinterpret_cast<const char*>(data), size);
    const auto wait = ParseRetryAfter(value, now);
    FUZZ_CHECK(!wait || *wait >= 0);
    FUZZ_CHECK(ParseRetryAfter(" \t" + value + "\t ", now) == wait);
    return 0;
}
