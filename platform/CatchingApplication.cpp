#include "platform/CatchingApplication.h"

#include <cstdio>

void reportToStandardError(const std::string& message)
{
    const std::string line
        = QCoreApplication::applicationName().toStdString() + ": " + message + '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}
