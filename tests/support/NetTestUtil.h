#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Pumps the calling thread's Qt event loop until `done` returns true or
// `timeoutMs` pass; returns the last value of `done`. Sleeps while idle.
bool runUntil(const std::function<bool()>& done, int timeoutMs);

// Pumps the Qt event loop for `ms` milliseconds.
void runFor(int ms);

// A socket listening on a port of 127.0.0.1 the system chose, with room for
// `backlog` connections; `port` is set to it. Throws, naming `owner`, when
// none can be made.
int listenOnLoopback(int backlog, std::uint16_t& port, const char* owner);

// A port of 127.0.0.1 that refuses every connection until the process ends:
// a socket that never listens keeps it bound, so no other socket (of this
// test or of one running beside it) can take it meanwhile.
std::uint16_t refusedPort();

// A port of 127.0.0.1 that was free a moment ago (bound, noted, closed
// again), for a server started as another process, which must bind it itself.
std::uint16_t freePort();

// A listener on 127.0.0.1 whose accept queue is full and never drained:
// further connection attempts are left unanswered, so a connect never completes.
class TFullBacklog
{
public:
    TFullBacklog();
    ~TFullBacklog();
    TFullBacklog(const TFullBacklog&) = delete;
    TFullBacklog& operator=(const TFullBacklog&) = delete;

    std::uint16_t port() const { return m_port; }

private:
    int m_listen = -1;
    std::uint16_t m_port = 0;
    std::vector<int> m_fillers;
};

// While it lives, switches on the Qt logging rules `rules` (for example
// "skelvo.http.debug=true") and collects every message of a category whose
// name starts with "skelvo." as "category: text"; other messages go on to
// the handler that was installed before.
class TLogCapture
{
public:
    explicit TLogCapture(const std::string& rules);
    ~TLogCapture();
    TLogCapture(const TLogCapture&) = delete;
    TLogCapture& operator=(const TLogCapture&) = delete;

    // The messages collected so far, in order.
    std::vector<std::string> lines() const;
};

// Records the message of an exception that escaped an event handler (the
// Qt test main catches them the way the program's error handler does).
// Defined by the Qt test main (target qt_test_main), like the next one.
void noteUnhandledError(const std::string& message);

// Returns and forgets the messages recorded so far.
std::vector<std::string> takeUnhandledErrors();
