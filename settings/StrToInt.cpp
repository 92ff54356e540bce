#include "settings/StrToInt.h"

#include "platform/Errors.h"

#include <limits>

std::optional<int32_t> ParseInt32(const std::string& text)
{
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+'))
        i = 1;
    // The magnitude is built in 64 bits and checked digit by digit, so that no
    // length of digits can overflow it.
    const int64_t limit = negative ? -int64_t { std::numeric_limits<int32_t>::min() }
                                   : int64_t { std::numeric_limits<int32_t>::max() };
    int64_t magnitude = 0;
    bool valid = i < text.size();
    for (; valid && i < text.size(); ++i) {
        const char c = text[i];
        valid = c >= '0' && c <= '9';
        if (valid) {
            magnitude = magnitude * 10 + (c - '0');
            valid = magnitude <= limit;
        }
    }
    if (!valid)
        return std::nullopt;
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

int32_t StrToInt(const std::string& text)
{
    const std::optional<int32_t> value = ParseInt32(text);
    if (!value)
        throw EConvertError("'" + text + "' is not a valid integer value");
    return *value;
}

std::string WholeNumberProblem(const std::string& text, int32_t min, int32_t max)
{
    const std::optional<int32_t> value = ParseInt32(text);
    if (value && *value >= min && *value <= max)
        return {};
    std::string problem = "'" + text + "' is not a whole number";
    if (max != std::numeric_limits<int32_t>::max())
        problem += " from " + std::to_string(min) + " to " + std::to_string(max);
    else if (min != std::numeric_limits<int32_t>::min())
        problem += " of " + std::to_string(min) + " or more";
    return problem;
}
