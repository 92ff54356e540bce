#pragma once

#include <ostream>
#include <string>
#include <vector>

// Exit statuses of skelvo-batch.
enum TBatchExit {
    beDone = 0, // the run ended: queue empty, stopped, or abandoned on request
    beRunError = 1, // an error ended the run
    beSetupError = 2, // wrong arguments, or settings that cannot be loaded
    beNoAnswer = 3 // the run made requests and not one got an HTTP answer
};

// skelvo-batch without its entry: reads the arguments that follow the
// program name, loads the settings and performs one crawl run with page
// lines on `out` and messages on `err` (a live status line too when
// `errIsTerminal`). Needs the thread's Qt application object. Returns the
// exit status.
int RunBatch(
    const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool errIsTerminal);
