#include "tests/batch/BatchProcess.h"
#include "platform/TextFile.h"
#include "tests/support/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>

namespace {

std::string readFile(const std::string& path)
{
    return std::filesystem::exists(path) ? ReadWholeFile(path) : std::string();
}

} // namespace

TBatchProcess::TBatchProcess(
    const std::string& program, const std::string& folder, const std::vector<std::string>& args)
    : m_pid(SpawnChild(program, args,
        { folder, folder + "/batch-output.log", folder + "/batch-errors.log", false }))
{ }

TBatchProcess::~TBatchProcess()
{
    try {
        Kill();
    } catch (const std::exception&) {
        // Nothing more can be done for a child that outlives SIGKILL.
    }
}

// True once the child is reaped; false while it runs.
bool TBatchProcess::Reap()
{
    for (;;) {
        const pid_t got = ::waitpid(m_pid, &m_status, WNOHANG);
        if (got == m_pid) {
            m_pid = -1;
            return true;
        }
        if (got == 0)
            return false;
        if (errno != EINTR)
            throw std::runtime_error("waitpid failed for skelvo-batch");
    }
}

std::optional<int> TBatchProcess::WaitExit(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (m_pid > 0 && !Reap()) {
        if (std::chrono::steady_clock::now() > deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return ExitStatus();
}

int TBatchProcess::ExitStatus() const
{
    return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
}

bool TBatchProcess::Kill()
{
    if (m_pid <= 0)
        return false;
    // A child that has just ended is a zombie until reaped: its status tells how it ended.
    ::kill(m_pid, SIGKILL);
    if (!WaitExit(std::chrono::seconds(10)))
        throw std::runtime_error("skelvo-batch did not end after SIGKILL");
    return WIFSIGNALED(m_status) && WTERMSIG(m_status) == SIGKILL;
}

void TBatchProcess::Signal(int signal) const
{
    if (m_pid > 0)
        ::kill(m_pid, signal);
}

std::string TBatchProcess::Output(const std::string& folder)
{
    return readFile(folder + "/batch-output.log");
}

std::string TBatchProcess::Errors(const std::string& folder)
{
    return readFile(folder + "/batch-errors.log");
}
