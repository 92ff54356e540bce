#pragma once

#include <memory>
#include <openssl/ssl.h>
#include <string>
#include <string_view>

// The server side of TLS for the engine's tests: OpenSSL over memory,
// driven by the test the way the engine is driven by its transport.

// What the connections of one test share: the certificate, the key, the
// highest version spoken, and the keys of the session tickets, so that a
// second connection can resume the first one's session.
class TTlsTestServerContext
{
public:
    TTlsTestServerContext(
        const std::string& certFile, const std::string& keyFile, int maxVersion = TLS1_3_VERSION);

    SSL_CTX* get() const { return m_ctx.get(); }

private:
    std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> m_ctx;
};

class TTlsTestServer
{
public:
    explicit TTlsTestServer(const TTlsTestServerContext& context);

    // Takes bytes from the client: the handshake goes on, data is decrypted.
    void Feed(std::string_view bytes);
    // Encrypts `data` for the client (the handshake must be over).
    void Write(std::string_view data);
    // Sends close_notify.
    void Shutdown();
    // Asks the client for a new handshake (TLS 1.2 only).
    void Renegotiate();
    // The bytes to send to the client, taken.
    std::string TakeOutput();

    bool HandshakeDone() const { return m_handshakeDone; }
    // The data the client sent, decrypted.
    const std::string& Received() const { return m_received; }
    // The host name the client's hello named (SNI); empty when none.
    std::string ServerName() const;
    // What OpenSSL said when the connection failed on this side; empty if it did not.
    const std::string& Error() const { return m_error; }

private:
    std::unique_ptr<SSL, decltype(&SSL_free)> m_ssl;
    BIO* m_out = nullptr;
    bool m_handshakeDone = false;
    std::string m_received;
    std::string m_error;
};
