#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// skelvo-batch as a child process of the test, started in a folder (its
// current directory) with its standard output and error in files there, each
// started afresh. The destructor kills a child still running and reaps it.
class TBatchProcess
{
public:
    // Throws std::runtime_error when the process cannot be started.
    TBatchProcess(const std::string& program, const std::string& folder,
        const std::vector<std::string>& args);
    ~TBatchProcess();
    TBatchProcess(const TBatchProcess&) = delete;
    TBatchProcess& operator=(const TBatchProcess&) = delete;

    // The exit status once the child has ended within `timeout`; nothing while it runs.
    std::optional<int> WaitExit(std::chrono::milliseconds timeout);
    // SIGKILLs and reaps the child; false when it had already ended by itself.
    bool Kill();
    // The exit status of a child that ended by itself; -1 when a signal ended it.
    int ExitStatus() const;
    void Signal(int signal) const;
    // The child's process id while it runs.
    pid_t Pid() const { return m_pid; }

    // The standard output and error of the folder's last run; empty when none.
    static std::string Output(const std::string& folder);
    static std::string Errors(const std::string& folder);

private:
    bool Reap();

    pid_t m_pid = -1;
    int m_status = 0;
};
