#pragma once

#include <string>
#include <vector>

// The command line of skelvo-batch.
struct TBatchArguments
{
    enum TAction { baRun, baHelp, baVersion, baWrong };

    TAction action = baRun;
    std::string settingsFile; // "--settings FILE"; empty for skelvo.ini beside the program
    bool verbose = false; // "--verbose": the fetch's lines on standard error
    bool quiet = false; // "--quiet": no page lines, only the summary and errors
    bool fresh = false; // "--fresh": the track file emptied before the run
    std::string problem; // what is wrong with the arguments, for baWrong
};

// Reads the arguments that follow the program name: "--settings FILE" (or
// "--settings=FILE"), "--verbose" ("-v"), "--quiet" ("-q"), "--fresh",
// "--help" ("-h"), "--version". Anything else is wrong.
TBatchArguments ParseBatchArguments(const std::vector<std::string>& args);

// The usage text, ending in a line break.
const char* BatchUsage();
