// The stop signals' catcher in a child process of its own, so that a signal
// it lets through ends the child, not the test.
#include "batch/StopSignals.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

// The wait status of a child that raises `signals` one after the other with
// a catcher installed, then exits with status 0; -1 when it is still running
// after ten seconds.
int statusAfterRaising(const std::vector<int>& signals)
{
    const pid_t child = ::fork();
    if (child == 0) {
        {
            const TStopSignals catcher([](int) {});
            // raise() returns only after a caught signal's handler has run.
            for (const int signal : signals)
                ::raise(signal);
        }
        ::_exit(0);
    }
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(5ms);
    }
    return status;
}

TEST(StopSignals, TwoAreCaughtAndTheThirdEndsTheProcessByItsDefaultAction)
{
    struct Row
    {
        std::vector<int> signals;
        int killedBy; // 0: the child lived to exit by itself
    };
    const Row rows[] = {
        { { SIGINT }, 0 },
        { { SIGTERM, SIGINT }, 0 },
        { { SIGINT, SIGINT, SIGINT }, SIGINT },
        { { SIGTERM, SIGINT, SIGTERM }, SIGTERM },
        { { SIGINT, SIGTERM, SIGINT, SIGINT }, SIGINT },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.signals.size() << " signals");
        const int status = statusAfterRaising(row.signals);
        ASSERT_NE(status, -1) << "the child did not end";
        if (row.killedBy == 0) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        } else {
            EXPECT_TRUE(WIFSIGNALED(status)) << status;
            EXPECT_EQ(WTERMSIG(status), row.killedBy);
        }
    }
}

} // namespace
