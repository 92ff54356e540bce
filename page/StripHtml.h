#pragma once

#include <string>

// Flattening page text into one line of words for an output record: the
// separator, title element, declarations and comments, style and script
// blocks, tags, the &nbsp; and &copy; entities, the bare "nbsp" and line
// breaks and tabs each become one blank; runs of blanks collapse to one; a
// result longer than 5 bytes loses its leading blank.

// StripHtml with `separator` as the output field separator.
std::string StripHtml(const std::string& text, const std::string& separator);
