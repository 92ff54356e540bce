#pragma once

#include <string>

// The page text every analysis step reads: the page's lines, each followed by
// CR LF, held as one string. A line of its own per string would cost a heap
// block per line, over a gigabyte for a body of 32 MiB of bare line breaks.

// The page text of a received body: its bytes up to the first zero byte (a
// text reader stops there), every line break (CR, LF or CR LF) written as
// CR LF, and CR LF after a last line that has none. The result is the body's
// own buffer when it already is such a text, as most pages are; else a copy
// is made a MiB at a time, with a pump point after each.
std::string PageTextOf(std::string body);
