#include "tests/net/tls/TlsPeer.h"
#include "tests/support/NetTestUtil.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The bound of every wait of a step.
constexpr int StepTimeoutMs = 10000;

// A record of application data that no key opens: the server fails on it.
const std::string ForgedRecord = std::string("\x17\x03\x03\x00\x20", 5) + std::string(32, 'x');

} // namespace

TTlsPeer::TTlsPeer(
    const std::string& chainFile, const std::string& keyFile, TScript script, int connections)
    : m_context(chainFile, keyFile)
    , m_script(std::move(script))
{
    m_listenFd = listenOnLoopback(8, m_port, "TTlsPeer");
    m_thread = std::thread([this, connections] { run(connections); });
}

TTlsPeer::~TTlsPeer()
{
    m_stop = true;
    m_thread.join();
    ::close(m_listenFd);
}

void TTlsPeer::run(int connections)
{
    for (int served = 0; served < connections && !m_stop; ++served) {
        // Accepting in short slices, so that a peer being destroyed stops soon.
        int fd = -1;
        for (int waited = 0; fd < 0 && waited < StepTimeoutMs && !m_stop; waited += 50) {
            pollfd p { m_listenFd, POLLIN, 0 };
            if (::poll(&p, 1, 50) > 0)
                fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        }
        if (fd < 0) {
            if (!m_stop)
                problem("no connection came");
            break;
        }
        ++m_accepted;
        const timeval bound { StepTimeoutMs / 1000, 0 };
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &bound, sizeof bound);
        {
            TTlsPeerConnection connection(*this, fd);
            try {
                m_script(connection);
            } catch (const std::exception& e) {
                problem(std::string("script: ") + e.what());
            }
            std::lock_guard lock(m_mutex);
            m_received += connection.m_server.Received();
            m_serverNames.push_back(connection.m_server.ServerName());
        }
        // The end of the script is a plain close of the transport: whatever
        // TLS said before it, then the client's close is awaited.
        ::shutdown(fd, SHUT_WR);
        char drain[4096];
        while (::recv(fd, drain, sizeof drain, 0) > 0) { }
        ::close(fd);
    }
    std::lock_guard lock(m_mutex);
    m_done = true;
    m_doneCv.notify_all();
}

bool TTlsPeer::waitDone(int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    return m_doneCv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_done; });
}

std::string TTlsPeer::received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

std::vector<std::string> TTlsPeer::serverNames() const
{
    std::lock_guard lock(m_mutex);
    return m_serverNames;
}

std::vector<std::string> TTlsPeer::problems() const
{
    std::lock_guard lock(m_mutex);
    return m_problems;
}

void TTlsPeer::problem(const std::string& what)
{
    std::lock_guard lock(m_mutex);
    m_problems.push_back(what);
}

TTlsPeerConnection::TTlsPeerConnection(TTlsPeer& peer, int fd)
    : m_peer(peer)
    , m_fd(fd)
    , m_server(peer.m_context)
{ }

void TTlsPeerConnection::fail(const std::string& what)
{
    if (!m_failed)
        m_peer.problem(what);
    m_failed = true;
}

bool TTlsPeerConnection::receiveSome()
{
    char block[16384];
    const ssize_t got = ::recv(m_fd, block, sizeof block, 0);
    if (got <= 0)
        return false;
    m_server.Feed(std::string_view(block, static_cast<std::size_t>(got)));
    sendOutput();
    return true;
}

void TTlsPeerConnection::sendOutput()
{
    const std::string out = m_server.TakeOutput();
    for (std::size_t at = 0; at < out.size();) {
        const ssize_t sent = ::send(m_fd, out.data() + at, out.size() - at, MSG_NOSIGNAL);
        if (sent <= 0) {
            fail("cannot send to the client");
            return;
        }
        at += static_cast<std::size_t>(sent);
    }
}

void TTlsPeerConnection::handshake()
{
    while (!m_failed && !m_server.HandshakeDone()) {
        if (!receiveSome())
            fail("the client left during the handshake");
        else if (!m_server.Error().empty())
            fail("handshake: " + m_server.Error());
    }
}

void TTlsPeerConnection::stallHandshake()
{
    char hello[16384];
    const ssize_t got = ::recv(m_fd, hello, sizeof hello, 0);
    if (got <= 0) {
        fail("no hello came");
        return;
    }
    m_server.Feed(std::string_view(hello, static_cast<std::size_t>(got)));
    const std::string flight = m_server.TakeOutput();
    ::send(m_fd, flight.data(), flight.size() / 2, MSG_NOSIGNAL);
    // Until the client gives up: its close ends the wait, as does the bound.
    while (::recv(m_fd, hello, sizeof hello, 0) > 0) { }
}

void TTlsPeerConnection::readUntil(const std::string& marker)
{
    while (!m_failed) {
        const std::size_t found = m_server.Received().find(marker, m_readPos);
        if (found != std::string::npos) {
            m_readPos = found + marker.size();
            return;
        }
        if (!receiveSome())
            fail("the client sent no \"" + marker + "\"");
    }
}

void TTlsPeerConnection::send(const std::string& text)
{
    if (m_failed)
        return;
    m_server.Write(text);
    sendOutput();
}

void TTlsPeerConnection::closeNotify()
{
    if (m_failed)
        return;
    m_server.Shutdown();
    sendOutput();
}

void TTlsPeerConnection::alert()
{
    if (m_failed)
        return;
    m_server.Feed(ForgedRecord);
    if (m_server.Error().empty())
        fail("the forged record did not fail the server");
    sendOutput();
}
