#include "batch/StopSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

constexpr int Caught[] = { SIGINT, SIGTERM };

// The pipe's writing end, for the handler; -1 when no catcher exists.
volatile sig_atomic_t g_writeFd = -1;
// The signals the handler has seen since the catcher was made.
volatile sig_atomic_t g_seen = 0;
struct sigaction g_previous[std::size(Caught)];

extern "C" void noteSignal(int)
{
    // Only async-signal-safe calls here: one write, errno kept for the code
    // the signal interrupted. A full pipe drops the byte; enough are waiting.
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_writeFd, &byte, 1);
    // After the second, the next one takes the default action and ends the
    // process at once: set here, not from the event loop, so that it holds
    // also when the loop never comes round again.
    g_seen = g_seen + 1;
    if (g_seen == StopSignalsCaught) {
        struct sigaction byDefault
        { };
        byDefault.sa_handler = SIG_DFL;
        for (const int caught : Caught)
            ::sigaction(caught, &byDefault, nullptr);
    }
    errno = saved;
}

} // namespace

TStopSignals::TStopSignals(std::function<void(int count)> onSignal)
    : m_onSignal(std::move(onSignal))
{
    if (g_writeFd != -1)
        throw std::logic_error("only one signal catcher at a time");
    int fds[2];
    if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("cannot create a pipe: ") + std::strerror(errno));
    m_readFd = fds[0];
    m_writeFd = fds[1];
    m_notifier = std::make_unique<QSocketNotifier>(m_readFd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { Drain(); });

    g_writeFd = m_writeFd;
    g_seen = 0;
    struct sigaction action
    { };
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(Caught); ++i)
        ::sigaction(Caught[i], &action, &g_previous[i]);
}

TStopSignals::~TStopSignals()
{
    for (size_t i = 0; i < std::size(Caught); ++i)
        ::sigaction(Caught[i], &g_previous[i], nullptr);
    g_writeFd = -1;
    m_notifier.reset();
    ::close(m_readFd);
    ::close(m_writeFd);
}

void TStopSignals::Drain()
{
    char bytes[16];
    ssize_t n;
    while ((n = ::read(m_readFd, bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < n; ++i)
            m_onSignal(++m_count);
    }
}
