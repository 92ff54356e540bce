#include "tests/support/ScriptedPeer.h"
#include "tests/support/NetTestUtil.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace {

using Clock = std::chrono::steady_clock;

// Each poll sleeps at most this long so that a stopping peer notices quickly.
constexpr int SliceMs = 50;

int msLeft(Clock::time_point deadline)
{
    const auto left
        = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

} // namespace

struct ScriptedPeer::Step
{
    enum Kind {
        Accept,
        Send,
        SendBlocks,
        Drip,
        ReadUntil,
        ReadBytes,
        Sleep,
        Hold,
        Silent,
        Close,
        Reset,
        AwaitClose
    };
    Kind kind;
    std::string bytes;
    std::vector<size_t> sizes;
    size_t count = 0;
    int ms = 0;
};

struct ScriptedPeer::Connection
{
    int fd = -1;
    size_t index = 0;
    size_t readPos = 0; // where the next readUntil / readBytes starts
    bool peerClosed = false;
};

ScriptedPeer::ScriptedPeer()
{
    m_listenFd = listenOnLoopback(16, m_port, "ScriptedPeer");
}

ScriptedPeer::~ScriptedPeer()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_listenFd >= 0)
        ::close(m_listenFd);
}

// ---- script building ----------------------------------------------------------

void ScriptedPeer::add(Step step)
{
    if (m_scripts.empty())
        m_scripts.emplace_back();
    m_scripts.back().push_back(std::move(step));
}

ScriptedPeer& ScriptedPeer::nextConnection()
{
    if (m_scripts.empty())
        m_scripts.emplace_back();
    m_scripts.emplace_back();
    return *this;
}

ScriptedPeer& ScriptedPeer::accept(int timeoutMs)
{
    add({ Step::Accept, {}, {}, 0, timeoutMs });
    return *this;
}

ScriptedPeer& ScriptedPeer::send(std::string bytes)
{
    add({ Step::Send, std::move(bytes), {}, 0, 0 });
    return *this;
}

ScriptedPeer& ScriptedPeer::sendBlocks(std::string bytes, std::vector<size_t> sizes, int delayMs)
{
    add({ Step::SendBlocks, std::move(bytes), std::move(sizes), 0, delayMs });
    return *this;
}

ScriptedPeer& ScriptedPeer::drip(std::string bytes, int everyMs)
{
    add({ Step::Drip, std::move(bytes), {}, 0, everyMs });
    return *this;
}

ScriptedPeer& ScriptedPeer::readUntil(std::string marker, int timeoutMs)
{
    add({ Step::ReadUntil, std::move(marker), {}, 0, timeoutMs });
    return *this;
}

ScriptedPeer& ScriptedPeer::readBytes(size_t count, int timeoutMs)
{
    add({ Step::ReadBytes, {}, {}, count, timeoutMs });
    return *this;
}

ScriptedPeer& ScriptedPeer::sleep(int ms)
{
    add({ Step::Sleep, {}, {}, 0, ms });
    return *this;
}

ScriptedPeer& ScriptedPeer::hold(int timeoutMs)
{
    add({ Step::Hold, {}, {}, 0, timeoutMs });
    return *this;
}

ScriptedPeer& ScriptedPeer::silent(int ms)
{
    add({ Step::Silent, {}, {}, 0, ms });
    return *this;
}

ScriptedPeer& ScriptedPeer::close(int lingerMs)
{
    add({ Step::Close, {}, {}, 0, lingerMs });
    return *this;
}

ScriptedPeer& ScriptedPeer::reset()
{
    add({ Step::Reset, {}, {}, 0, 0 });
    return *this;
}

ScriptedPeer& ScriptedPeer::awaitClose(int timeoutMs)
{
    add({ Step::AwaitClose, {}, {}, 0, timeoutMs });
    return *this;
}

// ---- running ------------------------------------------------------------------

void ScriptedPeer::start(int connections)
{
    if (m_scripts.empty())
        m_scripts.emplace_back();
    for (std::vector<Step>& script : m_scripts)
        if (script.empty() || script.front().kind != Step::Accept)
            script.insert(script.begin(), { Step::Accept, {}, {}, 0, DefaultTimeoutMs });
    if (connections <= 0)
        connections = static_cast<int>(m_scripts.size());
    m_thread = std::thread([this, connections] { run(connections); });
}

bool ScriptedPeer::waitDone(int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    return m_doneCv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_done; });
}

std::string ScriptedPeer::received(size_t index) const
{
    std::lock_guard lock(m_mutex);
    return index < m_received.size() ? m_received[index] : std::string();
}

std::string ScriptedPeer::receivedAll() const
{
    std::lock_guard lock(m_mutex);
    std::string all;
    for (const std::string& r : m_received)
        all += r;
    return all;
}

void ScriptedPeer::resume()
{
    std::lock_guard lock(m_mutex);
    ++m_resumes;
    m_holdCv.notify_all();
}

bool ScriptedPeer::waitHolding(int count, int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    return m_holdCv.wait_for(
        lock, std::chrono::milliseconds(timeoutMs), [&] { return m_holdsReached >= count; });
}

std::vector<std::string> ScriptedPeer::problems() const
{
    std::lock_guard lock(m_mutex);
    return m_problems;
}

void ScriptedPeer::problem(const std::string& what)
{
    std::lock_guard lock(m_mutex);
    m_problems.push_back(what);
}

void ScriptedPeer::run(int connections)
{
    for (int i = 0; i < connections && !stopping(); ++i) {
        Connection c;
        const std::vector<Step>& script = m_scripts[std::min<size_t>(i, m_scripts.size() - 1)];
        for (const Step& step : script) {
            if (stopping())
                break;
            playStep(step, c);
            if (step.kind == Step::Accept && c.fd < 0)
                break; // nobody came
        }
        if (c.fd >= 0)
            finish(c, 500);
    }
    // No more connections are served: later attempts are refused.
    ::close(m_listenFd);
    m_listenFd = -1;
    std::lock_guard lock(m_mutex);
    m_done = true;
    m_doneCv.notify_all();
}

void ScriptedPeer::playStep(const Step& step, Connection& c)
{
    if (step.kind != Step::Accept && c.fd < 0)
        return;
    switch (step.kind) {
    case Step::Accept:
        if (c.fd >= 0)
            finish(c, 500);
        acceptOne(step.ms, c);
        break;
    case Step::Send:
        writeAll(c, step.bytes.data(), step.bytes.size());
        break;
    case Step::SendBlocks: {
        size_t pos = 0;
        size_t k = 0;
        while (pos < step.bytes.size() && c.fd >= 0 && !stopping()) {
            const size_t size = step.sizes.empty()
                ? step.bytes.size()
                : step.sizes[std::min(k++, step.sizes.size() - 1)];
            const size_t n = std::min(std::max<size_t>(size, 1), step.bytes.size() - pos);
            writeAll(c, step.bytes.data() + pos, n);
            pos += n;
            if (pos < step.bytes.size())
                readSome(c, step.ms); // the pause still records what arrives
        }
        break;
    }
    case Step::Drip:
        for (size_t i = 0; i < step.bytes.size() && c.fd >= 0 && !stopping(); ++i) {
            writeAll(c, &step.bytes[i], 1);
            if (i + 1 < step.bytes.size())
                std::this_thread::sleep_for(std::chrono::milliseconds(step.ms));
        }
        break;
    case Step::ReadUntil:
    case Step::ReadBytes: {
        const auto deadline = Clock::now() + std::chrono::milliseconds(step.ms);
        for (;;) {
            size_t found = std::string::npos;
            {
                std::lock_guard lock(m_mutex);
                const std::string& r = m_received[c.index];
                if (step.kind == Step::ReadUntil) {
                    const size_t at = r.find(step.bytes, c.readPos);
                    if (at != std::string::npos)
                        found = at + step.bytes.size();
                } else if (r.size() >= c.readPos + step.count) {
                    found = c.readPos + step.count;
                }
            }
            if (found != std::string::npos) {
                c.readPos = found;
                break;
            }
            if (c.peerClosed || msLeft(deadline) == 0 || stopping()) {
                problem(step.kind == Step::ReadUntil ? "readUntil: marker not received"
                                                     : "readBytes: too few bytes received");
                break;
            }
            readSome(c, std::min(SliceMs, msLeft(deadline)));
        }
        break;
    }
    case Step::Sleep:
        std::this_thread::sleep_for(std::chrono::milliseconds(step.ms));
        break;
    case Step::Hold: {
        std::unique_lock lock(m_mutex);
        ++m_holdsReached;
        m_holdCv.notify_all();
        const auto deadline = Clock::now() + std::chrono::milliseconds(step.ms);
        // Woken in slices, so that a stopping peer does not wait out the bound.
        while (m_resumes == 0 && msLeft(deadline) > 0 && !stopping())
            m_holdCv.wait_for(lock, std::chrono::milliseconds(std::min(SliceMs, msLeft(deadline))));
        if (m_resumes > 0) {
            --m_resumes;
        } else {
            lock.unlock();
            problem("hold: the test did not resume");
        }
        break;
    }
    case Step::Silent: {
        const auto deadline = Clock::now() + std::chrono::milliseconds(step.ms);
        while (msLeft(deadline) > 0 && !stopping())
            if (!readSome(c, std::min(SliceMs, msLeft(deadline))))
                std::this_thread::sleep_for(
                    std::chrono::milliseconds(std::min(SliceMs, msLeft(deadline))));
        break;
    }
    case Step::Close:
        finish(c, step.ms);
        break;
    case Step::AwaitClose: {
        const auto deadline = Clock::now() + std::chrono::milliseconds(step.ms);
        while (!c.peerClosed && msLeft(deadline) > 0 && !stopping())
            readSome(c, std::min(SliceMs, msLeft(deadline)));
        if (!c.peerClosed)
            problem("awaitClose: the other side did not close");
        break;
    }
    case Step::Reset: {
        linger l { 1, 0 };
        ::setsockopt(c.fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
        ::close(c.fd);
        c.fd = -1;
        break;
    }
    }
}

bool ScriptedPeer::acceptOne(int timeoutMs, Connection& c)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!stopping()) {
        pollfd p { m_listenFd, POLLIN, 0 };
        if (::poll(&p, 1, std::min(SliceMs, msLeft(deadline))) > 0) {
            c.fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (c.fd >= 0) {
                std::lock_guard lock(m_mutex);
                c.index = m_received.size();
                c.readPos = 0; // a new connection: reads start afresh
                c.peerClosed = false;
                m_received.emplace_back();
                ++m_accepted;
                return true;
            }
        }
        if (msLeft(deadline) == 0)
            break;
    }
    problem("accept: no connection came");
    return false;
}

bool ScriptedPeer::readSome(Connection& c, int waitMs)
{
    if (c.fd < 0 || c.peerClosed) {
        if (waitMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
        return false;
    }
    pollfd p { c.fd, POLLIN, 0 };
    if (::poll(&p, 1, waitMs) <= 0)
        return false;
    char buf[65536];
    const ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
    if (n <= 0) {
        c.peerClosed = true;
        return false;
    }
    std::lock_guard lock(m_mutex);
    m_received[c.index].append(buf, static_cast<size_t>(n));
    return true;
}

void ScriptedPeer::writeAll(Connection& c, const char* data, size_t len)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(DefaultTimeoutMs);
    while (len > 0 && c.fd >= 0 && !stopping()) {
        pollfd p { c.fd, POLLOUT, 0 };
        if (::poll(&p, 1, std::min(SliceMs, msLeft(deadline))) > 0) {
            const ssize_t n = ::send(c.fd, data, len, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && errno != EAGAIN && errno != EINTR) {
                problem("send failed");
                return;
            }
            if (n > 0) {
                data += n;
                len -= static_cast<size_t>(n);
            }
        } else {
            // The other side reads nothing: take what it sends meanwhile.
            readSome(c, 0);
        }
        if (msLeft(deadline) == 0) {
            problem("send: the other side did not read in time");
            return;
        }
    }
}

void ScriptedPeer::finish(Connection& c, int lingerMs)
{
    if (c.fd < 0)
        return;
    ::shutdown(c.fd, SHUT_WR);
    const auto deadline = Clock::now() + std::chrono::milliseconds(lingerMs);
    while (!c.peerClosed && msLeft(deadline) > 0 && !stopping())
        readSome(c, std::min(SliceMs, msLeft(deadline)));
    ::close(c.fd);
    c.fd = -1;
}
