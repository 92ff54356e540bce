#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Seconds to wait before asking again, from a Retry-After value and the time
// `now` (UTC seconds since 1970): the value's delta-seconds (a number too large
// for 64 bits gives the largest), or the time left until its HTTP date
// (IMF-fixdate, the obsolete RFC 850 form or the asctime form; 0 when the date
// has passed). None for any other value. Capping the wait is the caller's job.
std::optional<std::int64_t> ParseRetryAfter(std::string_view value, std::int64_t now);
