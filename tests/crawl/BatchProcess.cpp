#include "BatchProcess.h"
#include "platform/TextFile.h"
#include "tests/support/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>

namespace {

constexpr auto PollInterval = std::chrono::milliseconds(1);
constexpr auto ReapDeadline = std::chrono::seconds(10);

std::string outputFile(const std::string& folder)
{
    return folder + "/batch-output.log";
}

std::string errorFile(const std::string& folder)
{
    return folder + "/batch-errors.log";
}

std::string readFile(const std::string& path)
{
    return std::filesystem::exists(path) ? ReadWholeFile(path) : std::string();
}

} // namespace

TBatchProcess::TBatchProcess(const std::string& program, const std::string& folder,
    const std::vector<std::string>& args, TBatchStreams streams)
{
    const bool apart = streams == TBatchStreams::Apart;
    m_pid = SpawnChild(
        program, args, { folder, outputFile(folder), apart ? errorFile(folder) : "", !apart });
}

TBatchProcess::~TBatchProcess()
{
    try {
        Kill();
    } catch (const std::exception&) {
        // Nothing more can be done for a child that outlives SIGKILL.
    }
}

bool TBatchProcess::Reap(int options)
{
    for (;;) {
        const pid_t got = ::waitpid(m_pid, &m_status, options);
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
    while (m_pid > 0 && !Reap(WNOHANG)) {
        if (std::chrono::steady_clock::now() > deadline)
            return std::nullopt;
        std::this_thread::sleep_for(PollInterval);
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
    // A child that has just ended is a zombie until reaped: the signal does
    // nothing to it, and its status tells which way it went.
    ::kill(m_pid, SIGKILL);
    // A killed process is gone at once; the deadline only guards the test.
    const auto deadline = std::chrono::steady_clock::now() + ReapDeadline;
    while (!Reap(WNOHANG)) {
        if (std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error("skelvo-batch did not end after SIGKILL");
        std::this_thread::sleep_for(PollInterval);
    }
    return WIFSIGNALED(m_status) && WTERMSIG(m_status) == SIGKILL;
}

void TBatchProcess::Signal(int signal) const
{
    if (m_pid > 0)
        ::kill(m_pid, signal);
}

std::string TBatchProcess::Output(const std::string& folder)
{
    return readFile(outputFile(folder));
}

std::string TBatchProcess::Errors(const std::string& folder)
{
    return readFile(errorFile(folder));
}
