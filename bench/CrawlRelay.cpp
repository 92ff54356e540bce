// A TCP relay that puts a server a chosen round trip away, for bench/crawl.
// Every byte is passed on half a round trip after it arrived, in each
// direction, and the first byte of a new connection reaches the server no
// earlier than one and a half round trips after the accept: the time a real
// client spends on the TCP handshake before its request is on its way. Order
// and half-closes are kept; with a round trip of 0 it only copies.
//
//     skelvo_crawl_relay LISTEN-PORT TARGET-PORT RTT-MS
//
// Listens on 127.0.0.1, prints "ready" once it does and runs until killed.
// One thread and one epoll set: the relay must cost the crawl nothing it can
// measure, which a relay in a scripting language did not manage.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <list>
#include <optional>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

// Bytes read in one go from one socket.
constexpr std::size_t ReadSize = 64 * 1024;

struct TChunk
{
    Clock::time_point Due;
    std::string Bytes; // empty: the end of the stream
    std::size_t Sent = 0;
};

// One direction of a connection: what was read from one socket and waits for
// its time to be written to the other.
struct TFlow
{
    int From = -1;
    int To = -1;
    std::deque<TChunk> Queue;
    bool ReadEnded = false; // the end of the stream (or an error) is queued
    bool Done = false; // all written and the end passed on
    bool Blocked = false; // the last write would have blocked
};

struct TLink;

// What an epoll event names: one socket of one link.
struct TEndpoint
{
    TLink* Link = nullptr;
    int Fd = -1;
    std::uint32_t Interest = 0; // as registered; 0: not in the set
};

struct TLink
{
    TEndpoint Client;
    TEndpoint Server;
    bool Connecting = true;
    bool Dead = false;
    Clock::time_point Gate; // no byte reaches the server before this
    TFlow Up; // client to server
    TFlow Down; // server to client
};

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "skelvo_crawl_relay: %s: %s\n", what, std::strerror(errno));
    std::exit(1);
}

sockaddr_in loopback(int port)
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

void noDelay(int fd)
{
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

class TRelay
{
public:
    TRelay(int listenPort, int targetPort, double rttMs)
        : m_target(loopback(targetPort))
        , m_half(std::chrono::duration_cast<Clock::duration>(
              std::chrono::duration<double, std::milli>(rttMs / 2)))
    {
        m_epoll = epoll_create1(EPOLL_CLOEXEC);
        m_listen = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (m_epoll < 0 || m_listen < 0)
            fail("socket");
        const int on = 1;
        setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        const sockaddr_in address = loopback(listenPort);
        if (bind(m_listen, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
            || listen(m_listen, 512) != 0)
            fail("listen");
        epoll_event event {};
        event.events = EPOLLIN;
        event.data.ptr = nullptr; // the listening socket
        if (epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_listen, &event) != 0)
            fail("epoll_ctl");
    }

    [[noreturn]] void Run()
    {
        epoll_event events[64];
        for (;;) {
            const std::optional<Clock::time_point> due = earliestDue();
            timespec wait {};
            if (due) {
                const auto left = std::max(*due - Clock::now(), Clock::duration::zero());
                const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
                wait.tv_sec = static_cast<time_t>(ns / 1000000000);
                wait.tv_nsec = static_cast<long>(ns % 1000000000);
            }
            const int n = epoll_pwait2(m_epoll, events, 64, due ? &wait : nullptr, nullptr);
            if (n < 0 && errno != EINTR)
                fail("epoll_pwait2");
            const Clock::time_point now = Clock::now();
            for (int i = 0; i < n; ++i) {
                if (events[i].data.ptr == nullptr)
                    acceptAll(now);
                else
                    handle(*static_cast<TEndpoint*>(events[i].data.ptr), events[i].events, now);
            }
            for (TLink& link : m_links)
                advance(link, now);
            m_links.remove_if([](const TLink& link) { return link.Dead; });
        }
    }

private:
    void acceptAll(Clock::time_point now)
    {
        for (;;) {
            const int client = accept4(m_listen, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (client < 0)
                return;
            const int server = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            if (server < 0) {
                close(client);
                continue;
            }
            noDelay(client);
            noDelay(server);
            const int connected
                = connect(server, reinterpret_cast<const sockaddr*>(&m_target), sizeof m_target);
            if (connected != 0 && errno != EINPROGRESS) {
                close(client);
                close(server);
                continue;
            }
            TLink& link = m_links.emplace_back();
            link.Client = { &link, client, 0 };
            link.Server = { &link, server, 0 };
            link.Connecting = connected != 0;
            link.Gate = now + 3 * m_half;
            link.Up.From = link.Down.To = client;
            link.Up.To = link.Down.From = server;
            updateInterest(link);
        }
    }

    void handle(TEndpoint& end, std::uint32_t events, Clock::time_point now)
    {
        TLink& link = *end.Link;
        if (link.Dead)
            return;
        const bool isServer = &end == &link.Server;
        if (isServer && link.Connecting) {
            int error = 0;
            socklen_t size = sizeof error;
            getsockopt(end.Fd, SOL_SOCKET, SO_ERROR, &error, &size);
            if (error != 0) {
                kill(link);
                return;
            }
            if (events & EPOLLOUT)
                link.Connecting = false;
            else
                return;
        }
        TFlow& from = isServer ? link.Down : link.Up;
        TFlow& to = isServer ? link.Up : link.Down;
        if (events & EPOLLOUT)
            to.Blocked = false;
        if ((events & (EPOLLIN | EPOLLHUP | EPOLLERR)) && !from.ReadEnded)
            readFrom(link, from, now);
    }

    void readFrom(TLink& link, TFlow& flow, Clock::time_point now)
    {
        static char buffer[ReadSize];
        const ssize_t n = read(flow.From, buffer, sizeof buffer);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        Clock::time_point due = now + m_half;
        if (&flow == &link.Up)
            due = std::max(due, link.Gate);
        if (n <= 0)
            flow.ReadEnded = true;
        flow.Queue.push_back({ due, std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0) });
    }

    // Writes what is due, passes an end on as a half-close, and retires a
    // link whose both directions are done.
    void advance(TLink& link, Clock::time_point now)
    {
        if (link.Dead)
            return;
        if (!link.Connecting)
            flush(link, link.Up, now);
        flush(link, link.Down, now);
        if (link.Dead)
            return;
        if (link.Up.Done && link.Down.Done)
            kill(link);
        else
            updateInterest(link);
    }

    void flush(TLink& link, TFlow& flow, Clock::time_point now)
    {
        while (
            !flow.Done && !flow.Blocked && !flow.Queue.empty() && flow.Queue.front().Due <= now) {
            TChunk& chunk = flow.Queue.front();
            if (chunk.Bytes.empty()) {
                shutdown(flow.To, SHUT_WR);
                flow.Done = true;
                flow.Queue.clear();
                return;
            }
            const ssize_t n = send(flow.To, chunk.Bytes.data() + chunk.Sent,
                chunk.Bytes.size() - chunk.Sent, MSG_NOSIGNAL);
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR) {
                    flow.Blocked = errno == EAGAIN;
                    continue;
                }
                kill(link); // the receiver is gone: nothing more can arrive
                return;
            }
            chunk.Sent += static_cast<std::size_t>(n);
            if (chunk.Sent == chunk.Bytes.size())
                flow.Queue.pop_front();
        }
    }

    void updateInterest(TLink& link)
    {
        setInterest(link.Client,
            (link.Up.ReadEnded ? 0u : std::uint32_t(EPOLLIN))
                | (link.Down.Blocked ? EPOLLOUT : 0u));
        setInterest(link.Server,
            (link.Down.ReadEnded ? 0u : std::uint32_t(EPOLLIN))
                | (link.Up.Blocked || link.Connecting ? EPOLLOUT : 0u));
    }

    // A socket with nothing to wait for leaves the set: a closed peer would
    // otherwise report itself on every pass.
    void setInterest(TEndpoint& end, std::uint32_t interest)
    {
        if (interest == end.Interest)
            return;
        epoll_event event {};
        event.events = interest;
        event.data.ptr = &end;
        const int op = interest == 0 ? EPOLL_CTL_DEL
            : end.Interest == 0      ? EPOLL_CTL_ADD
                                     : EPOLL_CTL_MOD;
        if (epoll_ctl(m_epoll, op, end.Fd, &event) != 0)
            fail("epoll_ctl");
        end.Interest = interest;
    }

    void kill(TLink& link)
    {
        close(link.Client.Fd); // closing leaves the epoll set too
        close(link.Server.Fd);
        link.Dead = true;
    }

    std::optional<Clock::time_point> earliestDue() const
    {
        std::optional<Clock::time_point> due;
        const auto consider = [&due](const TFlow& flow) {
            if (!flow.Done && !flow.Blocked && !flow.Queue.empty()
                && (!due || flow.Queue.front().Due < *due))
                due = flow.Queue.front().Due;
        };
        for (const TLink& link : m_links) {
            if (!link.Connecting)
                consider(link.Up);
            consider(link.Down);
        }
        return due;
    }

    sockaddr_in m_target;
    Clock::duration m_half;
    int m_epoll = -1;
    int m_listen = -1;
    std::list<TLink> m_links; // stable addresses: epoll events point into them
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: skelvo_crawl_relay LISTEN-PORT TARGET-PORT RTT-MS\n");
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);
    TRelay relay(std::atoi(argv[1]), std::atoi(argv[2]), std::atof(argv[3]));
    std::printf("ready\n");
    std::fflush(stdout);
    relay.Run();
}
