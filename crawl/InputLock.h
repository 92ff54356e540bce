#pragma once

#include "platform/LockFile.h"

#include <stdexcept>
#include <string>

// Another process crawls the input file; the message names it and the
// holder's process id.
class EInputBusy : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// One crawl at a time per input file: a run holds this lock from its start
// to its end, and a window takes it for the commands that rewrite the input
// file, so that nothing rewrites a queue another process is crawling. The
// lock file lies beside the file the input file's symbolic links lead to, so
// every name of that file shares one lock.
class TInputLock
{
public:
    // Takes the lock of the input file at `inputFile`. False when another
    // process holds it; `busy` then says so ("in.txt is being crawled by
    // another Skelvo (process 1234)").
    bool TryTake(const std::string& inputFile, std::string& busy);
    // Takes the lock, or raises EInputBusy with that message.
    void Take(const std::string& inputFile);
    void Release() { m_file.Unlock(); }
    bool Held() const { return m_file.Locked(); }

    // The lock file of the input file at `inputFile`.
    static std::string LockFileOf(const std::string& inputFile);

private:
    TLockFile m_file;
};
