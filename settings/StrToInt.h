#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Strict conversion of decimal text to a 32-bit signed integer: an optional
// '+' or '-' followed by one or more digits 0-9, nothing else (no blanks, no
// other bases), and a value within the int32 range. Anything else raises
// EConvertError "'<text>' is not a valid integer value".
int32_t StrToInt(const std::string& text);

// StrToInt's value of `text`, or nothing where StrToInt raises.
std::optional<int32_t> ParseInt32(const std::string& text);

// Empty when `text` is a whole number from `min` to `max` by StrToInt's rules;
// else why it is not, quoting the text as it stands: "'abc' is not a whole
// number", and with a bound of the range "... from 1 to 8" or "... of 0 or more".
std::string WholeNumberProblem(const std::string& text, int32_t min, int32_t max);
