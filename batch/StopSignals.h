#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

// How many of SIGINT and SIGTERM a TStopSignals catches; the next one gets
// the default action, which ends the process at once.
inline constexpr int StopSignalsCaught = 2;

// Catches SIGINT and SIGTERM for as long as the object lives and reports
// each one later, from the event loop: the signal handler only writes a byte
// to a pipe, and a notifier on the pipe's other end calls `onSignal` with the
// number of signals caught so far. After StopSignalsCaught signals the
// default action is back, so a third ends the process even when the loop is
// busy. Only one may exist at a time.
class TStopSignals
{
public:
    explicit TStopSignals(std::function<void(int count)> onSignal);
    ~TStopSignals();
    TStopSignals(const TStopSignals&) = delete;
    TStopSignals& operator=(const TStopSignals&) = delete;

private:
    void Drain();

    std::function<void(int)> m_onSignal;
    int m_readFd = -1;
    int m_writeFd = -1;
    int m_count = 0;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
