#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Cuts of text by length that keep its characters whole. Page text is bytes
// of no declared encoding; most of it is UTF-8, and a record field that ends
// in half a character makes the whole record unreadable to a UTF-8 reader.

// How many bytes a cut of `text` to at most `n` bytes keeps: `n`, or less when
// the cut would fall inside a well-formed UTF-8 sequence, then up to that
// character's first byte. Bytes that are not well-formed UTF-8 are cut where
// the count falls; a text of at most `n` bytes is kept whole.
std::size_t Utf8CutLength(std::string_view text, std::size_t n);

// LeftPart(text, n) with its cut moved back to a character's start as
// Utf8CutLength moves it.
std::string LeftPartUtf8(const std::string& text, int n);
