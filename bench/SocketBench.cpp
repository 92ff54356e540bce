// Throughput of the socket component on loopback, beside plain blocking
// send/recv loops over a loopback TCP pair (the physical limit).
#include "net/socket/WSocket.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr std::int64_t Total = 256LL * 1024 * 1024; // bytes per iteration
constexpr int Chunk = 1024 * 1024; // what the sender queues per all-sent report
constexpr int ReadBlock = 256 * 1024; // what the receiver reads per call
constexpr int PlainBlock = 64 * 1024; // send/recv size of the plain loops

// The sockets need a Qt event loop; the benchmark binary has no main of its own.
void ensureApp()
{
    static int argc = 1;
    static char name[] = "skelvo_bench";
    static char* argv[] = { name, nullptr };
    static QCoreApplication app(argc, argv);
}

// Two TWSockets on loopback: one connected sender, and one receiver obtained
// through Listen/Accept/Dup. All in this thread, driven by its event loop.
void BM_WSocketLoopback(benchmark::State& state)
{
    ensureApp();
    TWSocket listener;
    TWSocket receiver;
    TWSocket sender;
    std::vector<char> buf(ReadBlock);
    std::int64_t received = 0;
    std::int64_t queued = 0;
    std::int64_t target = 0;
    const std::string chunk(Chunk, 'x');

    receiver.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
        for (;;) {
            const int n = s->Receive(buf.data(), ReadBlock);
            if (n <= 0)
                break;
            received += n;
        }
    };
    listener.OnSessionAvailable
        = [&](TCustomWSocket* s, std::uint16_t) { receiver.Dup(s->Accept()); };
    listener.SetAddr("127.0.0.1");
    listener.SetPort("0");
    listener.Listen();

    sender.OnDataSent = [&](TCustomWSocket* s, std::uint16_t) {
        if (queued < target) {
            s->Send(chunk.data(), Chunk);
            queued += Chunk;
        }
    };
    sender.SetAddr("127.0.0.1");
    sender.SetPort(listener.GetLocalPort());
    sender.Connect();
    for (int i = 0; i < 1000 && (sender.State() != wsConnected || receiver.State() != wsConnected);
         ++i)
        TCustomWSocket::WaitForEvents(10);
    if (sender.State() != wsConnected || receiver.State() != wsConnected) {
        state.SkipWithError("loopback connection failed");
        return;
    }

    for (auto _ : state) {
        target += Total;
        sender.Send(chunk.data(), Chunk);
        queued += Chunk;
        while (received < target)
            TCustomWSocket::WaitForEvents(100);
    }
    state.SetBytesProcessed(state.iterations() * Total);
}
BENCHMARK(BM_WSocketLoopback)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(4);

// A connected loopback TCP pair of blocking sockets.
std::pair<int, int> plainPair()
{
    const int lst = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sin {};
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sin;
    if (::bind(lst, reinterpret_cast<sockaddr*>(&sin), sizeof sin) < 0 || ::listen(lst, 1) < 0
        || ::getsockname(lst, reinterpret_cast<sockaddr*>(&sin), &len) < 0)
        throw std::runtime_error("plainPair: listen failed");
    const int a = ::socket(AF_INET, SOCK_STREAM, 0);
    if (::connect(a, reinterpret_cast<sockaddr*>(&sin), sizeof sin) < 0)
        throw std::runtime_error("plainPair: connect failed");
    const int b = ::accept(lst, nullptr, nullptr);
    ::close(lst);
    return { a, b };
}

void recvExactly(int fd, char* buf, std::int64_t count)
{
    while (count > 0) {
        const ssize_t n
            = ::recv(fd, buf, static_cast<size_t>(std::min<std::int64_t>(count, PlainBlock)), 0);
        if (n <= 0)
            throw std::runtime_error("recv failed");
        count -= n;
    }
}

void sendExactly(int fd, const char* buf, std::int64_t count)
{
    while (count > 0) {
        const ssize_t n
            = ::send(fd, buf, static_cast<size_t>(std::min<std::int64_t>(count, PlainBlock)), 0);
        if (n <= 0)
            throw std::runtime_error("send failed");
        count -= n;
    }
}

// One thread, like the event-driven pair: send a block, receive it, repeat.
// The argument is the size of one round (sent, then received): small rounds
// stay in the CPU caches, large ones are closer to a stream.
void BM_PlainLoopbackOneThread(benchmark::State& state)
{
    const auto [a, b] = plainPair();
    const std::int64_t round = state.range(0);
    std::vector<char> out(static_cast<size_t>(round), 'x');
    std::vector<char> in(static_cast<size_t>(round));
    for (auto _ : state) {
        for (std::int64_t done = 0; done < Total; done += round) {
            sendExactly(a, out.data(), round);
            recvExactly(b, in.data(), round);
        }
    }
    state.SetBytesProcessed(state.iterations() * Total);
    ::close(a);
    ::close(b);
}
BENCHMARK(BM_PlainLoopbackOneThread)
    ->Arg(PlainBlock)
    ->Arg(1024 * 1024)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(4);

// Two threads: a blocking sender and a blocking receiver running at once.
void BM_PlainLoopbackTwoThreads(benchmark::State& state)
{
    const auto [a, b] = plainPair();
    std::vector<char> out(PlainBlock, 'x');
    std::vector<char> in(PlainBlock);
    for (auto _ : state) {
        std::thread tx([&, fd = a] { sendExactly(fd, out.data(), Total); });
        recvExactly(b, in.data(), Total);
        tx.join();
    }
    state.SetBytesProcessed(state.iterations() * Total);
    ::close(a);
    ::close(b);
}
BENCHMARK(BM_PlainLoopbackTwoThreads)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(4);

} // namespace
