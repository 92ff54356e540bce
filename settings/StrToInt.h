#pragma once

#include <cstdint>
#include <string>

// Strict conversion of decimal text to a 32-bit signed integer: an optional
// '+' or '-' followed by one or more digits 0-9, nothing else (no blanks, no
// other bases), and a value within the int32 range. Anything else raises
// EConvertError "'<text>' is not a valid integer value".
int32_t StrToInt(const std::string& text);
