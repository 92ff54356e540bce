#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Parsing of one response header line, a pure function over its bytes.

// What a response header line is.
enum class THeaderLineKind { Status, Field, Other };

// One parsed header line. For a status line: StatusCode and ReasonPhrase.
// For a field: Name (lower-cased) and Value.
struct THeaderLine
{
    THeaderLineKind Kind = THeaderLineKind::Other;
    int StatusCode = 0;
    std::string ReasonPhrase;
    std::string Name;
    std::string Value;
};

// Parses a non-empty header line (without its line end). A line starting with
// "HTTP/1.0", "HTTP/1.1" or "HTTP/2.0" is a status line whose bytes at 0-based
// offsets 9 to 11 must be three ASCII digits (EConvertError otherwise) and
// whose reason phrase is the rest from offset 13; any other line with a ":" is
// a field whose value starts two bytes after the first ":".
THeaderLine ParseHeaderLine(const std::string& line);

// A field line's name and value, each without the blanks around it.
struct TFieldParts
{
    std::string_view Name;
    std::string_view Value;
};

// Splits `line` at its first ":"; none for a line without one. For the
// fields read beyond the historic ones, which tolerate any blanks around the
// colon (ParseHeaderLine keeps its one-space rule).
std::optional<TFieldParts> SplitFieldLine(std::string_view line);

// The value of a "content-length" field: decimal digits with an optional
// leading minus that fit 64 bits; EConvertError otherwise.
std::int64_t ParseContentLength(const std::string& value);

// True when the first six characters, upper-cased, are "<HTML>": a response
// that starts with a page and has no header.
bool IsHeaderlessHtml(const std::string& line);
