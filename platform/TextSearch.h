#pragma once

#include <string>
#include <string_view>

// Byte-string primitives shared by every text routine. Positions are 1-based
// and 0 means "not found"; comparison is byte for byte, with no locale.

// Position of the first `pattern` in `text` at or after `start`; 0 if none
// (also for an empty text or pattern and a start outside the text).
int FindFrom(const std::string& text, const std::string& pattern, int start);

// FindFrom(LowerCase(text), lowerPattern, start) without making the copy:
// `lowerPattern` must hold no upper-case ASCII letter.
int FindFromNoCase(std::string_view text, std::string_view lowerPattern, int start);

// The first `n` bytes of `text` (empty for n <= 0, whole text for n >= length).
std::string LeftPart(const std::string& text, int n);

// The last `n` bytes of `text` (empty for n <= 0, whole text for n >= length).
std::string RightPart(const std::string& text, int n);

// Position of the first byte of `text` that differs from `ch`; 0 if none.
int SkipChar(const std::string& text, char ch);

// `text` without its leading run of `ch`; a text made only of `ch` stays whole.
std::string TrimLeading(const std::string& text, char ch);

// `text` without the bytes found in `drop` at either end (empty when it holds
// nothing else).
std::string_view Trim(std::string_view text, std::string_view drop);

// `count` bytes from position `index`, clamped: index < 1 counts as 1; an index
// past the end or a negative count gives ""; a count past the end is cut.
std::string CopyStr(const std::string& text, int index, int count);

// Deletes `count` bytes at `index`; nothing when index < 1, index past the end
// or count <= 0; a count past the end is cut.
void DeleteStr(std::string& text, int index, int count);

// Inserts `piece` at `index`; index < 1 inserts at the start, past the end appends.
void InsertStr(std::string& text, const std::string& piece, int index);

// Copies with the ASCII letters converted; every other byte stays, so positions
// in the copy are positions in the original.
std::string UpperCase(std::string text);
std::string LowerCase(std::string text);

// True when `a` and `b` are equal once their ASCII letters share one case.
bool EqualNoCase(std::string_view a, std::string_view b);
