#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// Where a child process of a test works and writes: its standard input is
// /dev/null, its output goes to `output` and its errors to `errors`, or along
// with the output when `errors` is empty.
struct TChildFiles
{
    std::string folder; // the child's current directory; empty: the test's own
    std::string output;
    std::string errors;
    bool append = false; // add to the files instead of starting them afresh
};

// Starts `program args...` with `files`; returns its process id. Throws
// std::runtime_error when the process cannot be started.
pid_t SpawnChild(
    const std::string& program, const std::vector<std::string>& args, const TChildFiles& files);
