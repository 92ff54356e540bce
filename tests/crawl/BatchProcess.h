#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>

// skelvo-batch run as a child process of the test: started in a folder of the
// test's (its current directory, where it writes "temp.txt") with a settings
// file, its standard output and error appended to files in that folder. The
// destructor kills a child still running and reaps it.
class TBatchProcess
{
public:
    // Starts `program --settings <settingsFile>` in `folder`; throws
    // std::runtime_error when the process cannot be started.
    TBatchProcess(
        const std::string& program, const std::string& folder, const std::string& settingsFile);
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

    // Standard output and error of every run in the folder so far.
    static std::string Output(const std::string& folder);

private:
    bool Reap(int options);

    pid_t m_pid = -1;
    int m_status = 0;
};
