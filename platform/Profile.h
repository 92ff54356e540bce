#pragma once

#include "platform/IniFile.h"

#include <string>

// Key-by-key access to INI files (see TIniFile for the format): every read
// reads the file, every write rewrites it whole through a temporary file
// renamed over it, with CR LF line ends.

// The value of `key` in `section` of `path`, cut to ProfileValueMax bytes;
// `defaultValue` (cut likewise) when the file, the section or the key is
// missing, or the file cannot be read.
std::string GetProfileString(const std::string& section, const std::string& key,
    const std::string& defaultValue, const std::string& path);

// Sets `key` in `section` of `path` to `value`: an existing key is replaced in
// place, a new key goes at the end of its section, a new section at the end of
// the file. A file the write creates is readable and writable by its owner
// only (settings files hold a proxy password); a rewritten file keeps its mode.
// False when the write is refused; the old file then stays as it was.
bool WriteProfileString(const std::string& section, const std::string& key,
    const std::string& value, const std::string& path);
