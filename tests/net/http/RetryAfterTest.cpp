// How long a Retry-After value asks the crawl to wait: seconds, the three HTTP
// date forms, dates already past and values that are neither.
#include "net/http/RetryAfter.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

// Sun, 06 Nov 1994 08:49:37 GMT and 2024-01-01 00:00:00 GMT, as seconds since 1970.
constexpr std::int64_t Nov1994 = 784111777;
constexpr std::int64_t Jan2024 = 1704067200;

struct Row
{
    const char* value;
    std::int64_t now;
    std::optional<std::int64_t> wait;
};

TEST(RetryAfter, WaitFromSecondsOrDate)
{
    constexpr auto Largest = std::numeric_limits<std::int64_t>::max();
    const Row rows[] = {
        { "120", Jan2024, 120 },
        { "0", Jan2024, 0 },
        { " \t007 ", Jan2024, 7 },
        { "99999999999999999999999", Jan2024, Largest },
        // The three date forms of one moment ahead; a moment past or now waits nothing.
        { "Sun, 06 Nov 1994 08:49:37 GMT", Nov1994 - 30, 30 },
        { "Sunday, 06-Nov-94 08:49:37 GMT", Nov1994 - 30, 30 },
        { "Sun Nov  6 08:49:37 1994", Nov1994 - 30, 30 },
        { "Sun, 06 Nov 1994 08:49:37 GMT", Nov1994 + 30, 0 },
        { "Sun, 06 Nov 1994 08:49:37 GMT", Nov1994, 0 },
        { "Sun Nov 16 08:49:37 1994", Nov1994, 10 * 86400 },
        // Days, months and leap years counted right.
        { "Thu, 29 Feb 2024 00:00:00 GMT", Jan2024, (31 + 28) * 86400 },
        { "Tue, 29 Feb 2000 00:00:00 GMT", 951868800 - 86400 - 1, 1 },
        { "Wed, 01 Mar 2000 00:00:00 GMT", 951868800 - 1, 1 },
        { "Mon, 01 Jan 2024 00:00:60 GMT", Jan2024, 60 },
        // A two-digit year lies from 49 years back to 50 years ahead.
        { "Tuesday, 01-Jan-30 00:00:00 GMT", Jan2024, 1893456000 - Jan2024 },
        { "Monday, 01-Jan-74 00:00:00 GMT", Jan2024, 3281990400 - Jan2024 },
        { "Monday, 01-Jan-75 00:00:00 GMT", Jan2024, 0 },
        { "Wednesday, 01-Jan-10 00:00:00 GMT", 3471292800, 4417977600 - 3471292800 },
    };
    for (const auto& row : rows)
        EXPECT_EQ(ParseRetryAfter(row.value, row.now), row.wait) << row.value;
}

TEST(RetryAfter, AnythingElseIsNoWait)
{
    const char* const rows[] = {
        "",
        "  ",
        "-1",
        "1.5",
        "5s",
        "+5",
        "soon",
        "Sun, 06 Nov 1994 08:49:37 UTC",
        "Sun, 06 Nov 1994 08:49:37",
        "Sun, 6 Nov 1994 08:49:37 GMT",
        "Sunday, 06 Nov 1994 08:49:37 GMT",
        "Sun, 06-Nov-94 08:49:37 GMT",
        "Sun, 06 nov 1994 08:49:37 GMT",
        "Sun, 06 Nov 1994 24:00:00 GMT",
        "Sun, 06 Nov 1994 08:60:00 GMT",
        "Sun, 00 Nov 1994 08:49:37 GMT",
        "Sun, 31 Nov 1994 08:49:37 GMT",
        "Wed, 29 Feb 2023 00:00:00 GMT",
        "Mon, 29 Feb 2100 00:00:00 GMT",
        "Sun, 06 Nov 1994 08:49:37 GMT x",
        "Sun Nov 6 08:49:37 1994",
        "Sun Nov  6 08:49:37 94",
    };
    for (const char* value : rows)
        EXPECT_EQ(ParseRetryAfter(value, Jan2024), std::nullopt) << value;
}

} // namespace
