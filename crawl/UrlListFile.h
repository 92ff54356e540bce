#pragma once

#include <string>
#include <vector>

// The URL list files (the input file and the track file): one URL per line,
// CR LF line ends. Failures raise EInOutError naming the file.

// The entries of the file at `path`, split as SplitLines does.
std::vector<std::string> ReadUrlList(const std::string& path);

// Rewrites the file at `path` whole with `urls`, one CR LF line each, through
// a temporary file renamed over it: a crash leaves the old list or the new one.
void WriteUrlList(const std::string& path, const std::vector<std::string>& urls);
