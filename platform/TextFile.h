#pragma once

#include <string>

// Small whole-file operations on 8-bit text files. Every failure raises
// EInOutError naming the file.

// Appends `line` and CR LF to `path`, creating the file when missing; the file
// is opened, written, flushed and closed within the call.
void AppendLine(const std::string& path, const std::string& line);

// Replaces the contents of `path` with `content` through a temporary file in
// the same folder renamed over it: a crash leaves the old or the new file whole.
void WriteFileAtomic(const std::string& path, const std::string& content);

// The whole contents of `path`.
std::string ReadWholeFile(const std::string& path);
