#pragma once

#include <string>
#include <vector>

// Header values as the crawl's records take them: a plain search of the
// response header text for a field name followed by a colon and exactly one
// space, the name matched in any letter case, the value kept as sent.

// The value after each occurrence of `upperName` + ": " in `header` (the received
// header lines, status lines included, each followed by CR LF), in order: the
// rest of the line, up to the character before its line end. `upperName`
// must be in upper case. A longer name ending in it matches as well.
std::vector<std::string> HeaderValues(const std::string& header, const std::string& upperName);

// `value` without its bytes below 0x20, so a record keeps to one line.
std::string WithoutControlBytes(std::string value);
