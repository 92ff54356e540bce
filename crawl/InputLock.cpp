#include "crawl/InputLock.h"

#include "platform/TextFile.h"

bool TInputLock::TryTake(const std::string& inputFile, std::string& busy)
{
    long holder = 0;
    if (m_file.TryLock(LockFileOf(inputFile), holder))
        return true;
    busy = inputFile + " is being crawled by another Skelvo";
    if (holder > 0)
        busy += " (process " + std::to_string(holder) + ")";
    return false;
}

void TInputLock::Take(const std::string& inputFile)
{
    std::string busy;
    if (!TryTake(inputFile, busy))
        throw EInputBusy(busy);
}

std::string TInputLock::LockFileOf(const std::string& inputFile)
{
    return ResolveLinks(inputFile) + ".skelvo-lock";
}
