#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A TCP peer for tests: listens on 127.0.0.1 on a free port and, in its own
// thread with blocking I/O and bounded waits, plays a script of steps to each
// of a number of successive connections. Every byte it receives is recorded.
//
//   ScriptedPeer peer;
//   peer.readUntil("\r\n\r\n").send("HTTP/1.0 200 OK\r\n\r\nbody").close();
//   peer.start();            // serves one connection
//   ... connect to 127.0.0.1:peer.port() ...
//   EXPECT_TRUE(peer.waitDone(5000));
//   EXPECT_EQ(peer.received(0), "GET / HTTP/1.0\r\n...");
//
// Where a test needs the bytes of one send to arrive alone, the peer holds
// after it until the test, having seen them read, calls resume():
//
//   peer.readUntil("\r\n\r\n").send(head).hold().send(rest).close();
//   cli.OnHeaderEnd = [&](THttpCli*) { peer.resume(); };
//
// Each connection starts with an accept (implied when the script does not
// begin with one). A connection still open when its script ends is closed.
// nextConnection() begins the script of the following connection; when more
// connections come than scripts were written, the last script repeats.
class ScriptedPeer
{
public:
    // Default bound for every wait of a step that has no timeout of its own.
    static constexpr int DefaultTimeoutMs = 10000;

    ScriptedPeer();
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    // --- script steps (added before start) -------------------------------------
    // Waits for the next connection (at most timeoutMs).
    ScriptedPeer& accept(int timeoutMs = DefaultTimeoutMs);
    // Sends `bytes` in one write call (looping only if the kernel takes less).
    ScriptedPeer& send(std::string bytes);
    // Sends `bytes` in blocks of the given sizes (the last size repeats),
    // sleeping `delayMs` between blocks.
    ScriptedPeer& sendBlocks(std::string bytes, std::vector<size_t> sizes, int delayMs);
    // Sends `bytes` one byte at a time, one every `everyMs`.
    ScriptedPeer& drip(std::string bytes, int everyMs);
    // Reads until `marker` appears after the previous read position (at most timeoutMs).
    ScriptedPeer& readUntil(std::string marker, int timeoutMs = DefaultTimeoutMs);
    // Reads until `count` more bytes have arrived (at most timeoutMs).
    ScriptedPeer& readBytes(size_t count, int timeoutMs = DefaultTimeoutMs);
    // Pauses without reading (incoming bytes wait in the kernel).
    ScriptedPeer& sleep(int ms);
    // Waits without reading until the test calls resume() (at most timeoutMs,
    // a problem when it does not).
    ScriptedPeer& hold(int timeoutMs = DefaultTimeoutMs);
    // Sends nothing for `ms` while still reading and recording what arrives.
    ScriptedPeer& silent(int ms);
    // Orderly close: shuts sending down, reads until the other side closes
    // (at most lingerMs), then closes. Never turns into a reset.
    ScriptedPeer& close(int lingerMs = 2000);
    // Abortive close: SO_LINGER 0, then close, so the other side sees a reset.
    ScriptedPeer& reset();
    // Keeps its end open, recording what arrives, until the other side closes;
    // a problem when it has not closed within timeoutMs.
    ScriptedPeer& awaitClose(int timeoutMs = DefaultTimeoutMs);

    // Ends the current connection's script; the steps that follow are played
    // to the next connection.
    ScriptedPeer& nextConnection();

    // --- running --------------------------------------------------------------
    // Starts the thread, which serves `connections` connections (by default
    // one per script written) and then stops listening.
    void start(int connections = 0);
    // Port the peer listens on (valid from construction).
    std::uint16_t port() const { return m_port; }
    // Waits at most timeoutMs for the thread to finish every connection.
    bool waitDone(int timeoutMs);
    // Bytes received on connection `index` (0-based), so far.
    std::string received(size_t index) const;
    // Bytes received on all connections, in order.
    std::string receivedAll() const;
    // Number of connections accepted so far.
    int accepted() const { return m_accepted.load(); }
    // Lets one hold step go on: the one waiting, or else the next one.
    void resume();
    // Waits at most timeoutMs until the peer has come to its `count`th hold
    // step (counting from 1, over all connections); everything it sent
    // before that step has then been written.
    bool waitHolding(int count, int timeoutMs);
    // Descriptions of steps that failed or timed out (empty when all went well).
    std::vector<std::string> problems() const;

private:
    struct Step;
    struct Connection;
    void run(int connections);
    void add(Step step);
    void playStep(const Step& step, Connection& c);
    bool acceptOne(int timeoutMs, Connection& c);
    bool readSome(Connection& c, int waitMs);
    void writeAll(Connection& c, const char* data, size_t len);
    void finish(Connection& c, int lingerMs);
    void problem(const std::string& what);
    bool stopping() const { return m_stop.load(); }

    std::vector<std::vector<Step>> m_scripts;
    int m_listenFd = -1;
    std::uint16_t m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stop { false };
    std::atomic<int> m_accepted { 0 };
    mutable std::mutex m_mutex;
    std::condition_variable m_doneCv;
    bool m_done = false;
    std::condition_variable m_holdCv;
    int m_holdsReached = 0;
    int m_resumes = 0;
    std::vector<std::string> m_received;
    std::vector<std::string> m_problems;
};
