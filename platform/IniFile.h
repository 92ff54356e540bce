#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The longest value an INI file hands back: values are read through a
// 2,048-byte buffer that keeps room for its terminator.
inline constexpr std::size_t ProfileValueMax = 2047;

// An INI file of section lines ("[NAME]") and key lines ("KEY=value") held in
// memory: read once, looked up and changed any number of times, written back
// whole. Section and key names match without regard to ASCII letter case and
// are written as given; every other line is kept as it stands. A change made
// here and written once gives the same text as the same changes made to the
// file one at a time.
class TIniFile
{
public:
    // A file of the lines of `text` (CR LF or LF line ends).
    explicit TIniFile(const std::string& text = {});

    // The file at `path`; a missing file has no lines. Raises EInOutError when
    // the file exists but cannot be read (no permission, a folder).
    static TIniFile Read(const std::string& path);

    // The value of `key` in `section`, cut to ProfileValueMax bytes; nothing
    // when the section or the key is missing. Blanks around the value and one
    // pair of enclosing quotes are not part of it.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    // Sets `key` in `section` to `value`: an existing key is replaced in place,
    // a new key goes at the end of its section, a new section at the end of the
    // file. False, and nothing changed, for a name that could not be found
    // again once written (empty, padded, holding a line break, "]" in a
    // section or "=" in a key, a key that starts a section or a comment).
    bool Set(std::string_view section, std::string_view key, const std::string& value);

    // True when the file holds no section, so that no key can be read from it:
    // missing, empty, or only blank lines, comments and stray text.
    bool Blank() const;

    // The file's text: every line followed by CR LF.
    std::string Text() const;

private:
    std::vector<std::string> m_lines;
};
