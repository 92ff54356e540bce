#pragma once

#include <string>
#include <string_view>
#include <vector>

class TPumpThrottle;

// The lines of `bytes`: a line ends at CR, LF or CR LF (the break is not
// kept); every line, an empty one too, is an entry, and a break at the very
// end adds no empty entry. With a `pump`, it ticks once a line, so that the
// split of a large page leaves the window its turns.
std::vector<std::string> SplitLines(std::string_view bytes, TPumpThrottle* pump = nullptr);
