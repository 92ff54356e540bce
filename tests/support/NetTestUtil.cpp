#include "tests/support/NetTestUtil.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <stdexcept>

namespace {

std::mutex g_logMutex;
std::vector<std::string> g_logLines;
QtMessageHandler g_previousHandler = nullptr;

void captureMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (context.category != nullptr && std::strncmp(context.category, "skelvo.", 7) == 0) {
        const std::lock_guard lock(g_logMutex);
        g_logLines.push_back(std::string(context.category) + ": " + text.toStdString());
        return;
    }
    if (g_previousHandler != nullptr)
        g_previousHandler(type, context, text);
}

void pumpOnce(qint64 maxMs)
{
    QTimer bound;
    bound.setSingleShot(true);
    bound.start(static_cast<int>(maxMs < 0 ? 0 : (maxMs > 50 ? 50 : maxMs)));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

// A TCP socket bound to a port of 127.0.0.1 the system chose.
int boundLoopbackSocket()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("cannot open a socket");
    sockaddr_in sin {};
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&sin), sizeof sin) < 0) {
        ::close(fd);
        throw std::runtime_error("cannot bind a port of 127.0.0.1");
    }
    return fd;
}

std::uint16_t localPort(int fd)
{
    sockaddr_in sin {};
    socklen_t len = sizeof sin;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&sin), &len) < 0)
        throw std::runtime_error("getsockname failed");
    return ntohs(sin.sin_port);
}

} // namespace

int listenOnLoopback(int backlog, std::uint16_t& port, const char* owner)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sin {};
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sin;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&sin), sizeof sin) < 0
        || ::listen(fd, backlog) < 0
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&sin), &len) < 0) {
        if (fd >= 0)
            ::close(fd);
        throw std::runtime_error(std::string(owner) + ": cannot listen on 127.0.0.1");
    }
    port = ntohs(sin.sin_port);
    return fd;
}

bool runUntil(const std::function<bool()>& done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return done();
        pumpOnce(deadline.remainingTime());
    }
    return true;
}

void runFor(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        pumpOnce(deadline.remainingTime());
}

std::uint16_t refusedPort()
{
    // Bound without SO_REUSEADDR: neither a bind nor a connect's choice of a
    // local port can share it while the descriptor is open, and the process
    // keeps it open to its end.
    const int fd = boundLoopbackSocket();
    return localPort(fd);
}

std::uint16_t freePort()
{
    const int fd = boundLoopbackSocket();
    const std::uint16_t port = localPort(fd);
    ::close(fd);
    return port;
}

TFullBacklog::TFullBacklog()
{
    m_listen = listenOnLoopback(0, m_port, "TFullBacklog");
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(m_port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int i = 0; i < 4; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        m_fillers.push_back(fd);
    }
}

TFullBacklog::~TFullBacklog()
{
    for (const int fd : m_fillers)
        ::close(fd);
    ::close(m_listen);
}

TLogCapture::TLogCapture(const std::string& rules)
{
    {
        const std::lock_guard lock(g_logMutex);
        g_logLines.clear();
    }
    g_previousHandler = qInstallMessageHandler(captureMessage);
    QLoggingCategory::setFilterRules(QString::fromStdString(rules));
}

TLogCapture::~TLogCapture()
{
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(g_previousHandler);
    g_previousHandler = nullptr;
}

std::vector<std::string> TLogCapture::lines() const
{
    const std::lock_guard lock(g_logMutex);
    return g_logLines;
}
