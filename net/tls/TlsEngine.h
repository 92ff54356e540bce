#pragma once

#include "net/tls/TlsContext.h"
#include "net/tls/TlsSession.h"

#include <cstddef>
#include <memory>
#include <openssl/types.h>
#include <string>
#include <string_view>

// How a TLS connection stands.
enum class TTlsState {
    Handshaking, // the hello is out; the handshake is not over yet
    Open, // the server is verified; data flows both ways
    Closed, // the server ended TLS properly (close_notify): what came is whole
    Cut, // the transport ended without close_notify: data may be missing
    Failed, // a handshake, certificate or protocol error: Error() says which
};

// The client side of one TLS connection over a transport its caller drives
// (TCP, or a tunnel through a proxy). It touches no descriptor: the caller
// feeds it what the transport received and sends what it produces, so no
// call ever blocks and the engine is driven from the transport's events.
// After every call the caller sends TakeOutput() before it waits for input,
// and reads what Available() announces: nothing stays hidden inside.
class TTlsEngine
{
public:
    // A connection to `host` (a name, or an IPv4 or IPv6 address literal,
    // brackets allowed) with `context`'s settings: a name goes out as SNI and
    // must match the certificate, an address must be in it. `offer` is
    // resumed when it was made with the same host. Throws ETlsError when the
    // host is empty or the connection cannot be set up.
    TTlsEngine(const TTlsContext& context, const std::string& host, const TTlsSession& offer = {});
    ~TTlsEngine();
    TTlsEngine(const TTlsEngine&) = delete;
    TTlsEngine& operator=(const TTlsEngine&) = delete;

    // Begins the handshake: the hello goes to the output. Once, when the
    // transport is connected.
    void Start();

    // Processes bytes received from the transport: the handshake goes on,
    // data is decrypted for Read, queued data goes out. Ignored once the
    // connection has ended.
    void Feed(std::string_view bytes);

    // The transport ended: Closed if close_notify came before, Cut if not,
    // Failed during the handshake.
    void FeedEnd();

    // Queues `data` to go out encrypted: at once when Open, when the
    // handshake ends while Handshaking. False (nothing queued) when the
    // connection can carry no more data.
    bool Write(std::string_view data);

    // Sends close_notify, once; nothing during the handshake or after a failure.
    void Shutdown();

    // The bytes to send on the transport, taken.
    std::string TakeOutput();

    // Moves up to `size` decrypted bytes into `buffer`; returns how many.
    std::size_t Read(char* buffer, std::size_t size);

    // Decrypted bytes waiting for Read.
    std::size_t Available() const { return m_received.size() - m_readPos; }

    // Bytes given to Write not yet encrypted (waiting for the handshake).
    std::size_t Unsent() const { return m_writing.size() + m_queued.size(); }

    TTlsState State() const { return m_state; }

    // Why the connection failed ("TLS: ..."); empty unless Failed.
    const std::string& Error() const { return m_error; }

    // True when the handshake resumed the offered session.
    bool Resumed() const;

    // The session to offer the next connection to this host; empty when it
    // cannot be resumed. A TLS 1.3 server sends its sessions after the
    // handshake, so take it once data has been read.
    TTlsSession Session() const;

private:
    struct TFree
    {
        void operator()(SSL* ssl) const;
    };

    // Takes the handshake, the queued writes and the reads as far as the
    // bytes fed so far allow.
    void drive();
    bool handshake();
    void flushWrites();
    void readAll();
    void fail(std::string reason);

    std::unique_ptr<SSL, TFree> m_ssl;
    BIO* m_in = nullptr; // owned by m_ssl: what the transport received
    BIO* m_out = nullptr; // owned by m_ssl: what must go to the transport
    std::string m_host;
    TTlsState m_state = TTlsState::Handshaking;
    std::string m_error;
    bool m_shutdownSent = false;
    // The write OpenSSL has been asked for and must be asked for again, with
    // the same bytes, until it goes through; later writes wait in m_queued.
    std::string m_writing;
    std::string m_queued;
    std::string m_received; // decrypted; bytes before m_readPos are read
    std::size_t m_readPos = 0;
};
