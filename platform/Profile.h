#pragma once

#include <string>

// Key-by-key access to INI files of section lines ("[NAME]") and key lines
// ("KEY=value"). Section and key names match without regard to ASCII letter
// case and are written as given; every write rewrites the file whole through a
// temporary file renamed over it, with CR LF line ends.

// The longest value GetProfileString hands back: values are read through a
// 2,048-byte buffer that keeps room for its terminator.
inline constexpr std::size_t ProfileValueMax = 2047;

// The value of `key` in `section` of `path`, cut to ProfileValueMax bytes;
// `defaultValue` (cut likewise) when the file, the section or the key is missing.
std::string GetProfileString(const std::string& section, const std::string& key,
    const std::string& defaultValue, const std::string& path);

// Sets `key` in `section` of `path` to `value`: an existing key is replaced in
// place, a new key goes at the end of its section, a new section at the end of
// the file. A file the write creates is readable and writable by its owner
// only (settings files hold a proxy password); a rewritten file keeps its mode.
// False when the write is refused; the old file then stays as it was.
bool WriteProfileString(const std::string& section, const std::string& key,
    const std::string& value, const std::string& path);
