#pragma once

#include "tests/net/tls/TlsTestServer.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TTlsPeerConnection;

// A TLS server for the tests of what a real server will not do: it listens on
// 127.0.0.1 on a free port and, in its own thread with blocking I/O and
// bounded waits, plays a script written as code to each of a number of
// successive connections, speaking TLS through the in-memory test server.
//
//   TTlsPeer peer(pki.Valid.Chain, pki.Valid.Key, [](TTlsPeerConnection& c) {
//       c.handshake();
//       c.readUntil("\r\n\r\n");
//       c.send("HTTP/1.0 200 OK\r\n\r\nbody");
//   });                                      // a cut: no close_notify
//
// When a script ends, the peer shuts its sending side down, waits (bounded)
// for the client to close, and closes.
class TTlsPeer
{
public:
    using TScript = std::function<void(TTlsPeerConnection&)>;

    // Serves `connections` connections with `script`, presenting the
    // certificate chain of the PEM file `chainFile` with the key `keyFile`.
    TTlsPeer(const std::string& chainFile, const std::string& keyFile, TScript script,
        int connections = 1);
    ~TTlsPeer();
    TTlsPeer(const TTlsPeer&) = delete;
    TTlsPeer& operator=(const TTlsPeer&) = delete;

    std::uint16_t port() const { return m_port; }
    // Waits at most timeoutMs for every connection to be served.
    bool waitDone(int timeoutMs);
    // The decrypted bytes the clients sent, all connections in order.
    std::string received() const;
    // The host name each client's hello named (SNI), in order; empty for none.
    std::vector<std::string> serverNames() const;
    // Connections accepted so far.
    int accepted() const { return m_accepted.load(); }
    // Steps that failed or timed out (empty when all went well).
    std::vector<std::string> problems() const;

private:
    friend class TTlsPeerConnection;
    void run(int connections);
    void problem(const std::string& what);

    TTlsTestServerContext m_context;
    TScript m_script;
    int m_listenFd = -1;
    std::uint16_t m_port = 0;
    std::atomic<int> m_accepted { 0 };
    std::atomic<bool> m_stop { false };
    mutable std::mutex m_mutex;
    std::condition_variable m_doneCv;
    bool m_done = false;
    std::string m_received;
    std::vector<std::string> m_serverNames;
    std::vector<std::string> m_problems;
    std::thread m_thread;
};

// One connection as its script sees it. Every step waits at most ten seconds;
// a step that cannot be done is a problem of the peer and ends the script's
// effect (later steps do nothing).
class TTlsPeerConnection
{
public:
    // Makes the handshake.
    void handshake();
    // Reads the client's hello and answers it halfway, then waits (bounded)
    // for the client to give up and close.
    void stallHandshake();
    // Reads until `marker` has come after what earlier reads took.
    void readUntil(const std::string& marker);
    // Encrypts `text` and sends it.
    void send(const std::string& text);
    // Ends TLS properly: close_notify.
    void closeNotify();
    // A fatal alert in the middle of the connection: the server is fed a
    // forged record, fails on it, and tells the client so.
    void alert();

private:
    friend class TTlsPeer;
    TTlsPeerConnection(TTlsPeer& peer, int fd);
    // Receives one block within the bound into the server; false at the end or on a failure.
    bool receiveSome();
    void sendOutput();
    void fail(const std::string& what);

    TTlsPeer& m_peer;
    int m_fd;
    TTlsTestServer m_server;
    std::size_t m_readPos = 0;
    bool m_failed = false;
};
