#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// Where a child's standard output and error go in its folder: both appended
// to one log that keeps every run, or each to a file of its own that every
// run starts afresh.
enum class TBatchStreams {
    OneLog,
    Apart,
};

// skelvo-batch run as a child process of the test: started in a folder of the
// test's (its current directory, where it writes "temp.txt") with the given
// arguments, its standard output and error kept in files in that folder. The
// destructor kills a child still running and reaps it.
class TBatchProcess
{
public:
    // Starts `program args...` in `folder`; throws std::runtime_error when the
    // process cannot be started.
    TBatchProcess(const std::string& program, const std::string& folder,
        const std::vector<std::string>& args, TBatchStreams streams = TBatchStreams::OneLog);
    ~TBatchProcess();
    TBatchProcess(const TBatchProcess&) = delete;
    TBatchProcess& operator=(const TBatchProcess&) = delete;

    // The exit status (see ExitStatus) once the child has ended within
    // `timeout`; nothing when it is still running then.
    std::optional<int> WaitExit(std::chrono::milliseconds timeout);

    // Kills the child with SIGKILL and reaps it; true when the kill ended it,
    // false when it had already ended by itself (see ExitStatus).
    bool Kill();

    // The exit status of a child that ended by itself; -1 when a signal ended it.
    int ExitStatus() const;

    // Sends `signal` to the child while it runs.
    void Signal(int signal) const;

    // The one log of the folder (every run so far), or the standard output of
    // its last run whose streams were kept apart; empty when there is none.
    static std::string Output(const std::string& folder);

    // The standard error of the folder's last run whose streams were kept
    // apart; empty when there is none.
    static std::string Errors(const std::string& folder);

private:
    bool Reap(int options);

    pid_t m_pid = -1;
    int m_status = 0;
};
