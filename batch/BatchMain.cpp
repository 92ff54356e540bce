// skelvo-batch: one crawl run without a window, for scheduled jobs and servers.
#include "batch/BatchProgram.h"
#include "platform/CatchingApplication.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char* argv[])
{
    TCatchingApplication<QCoreApplication> app(argc, argv, reportToStandardError);
    QCoreApplication::setApplicationName(QStringLiteral("skelvo-batch"));
    return RunBatch({ argv + 1, argv + argc }, std::cout, std::cerr, ::isatty(STDERR_FILENO) != 0);
}
