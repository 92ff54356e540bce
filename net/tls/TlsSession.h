#pragma once

#include <memory>
#include <string>

// OpenSSL's session, declared as <openssl/ssl.h> declares it, which need not
// come with this header.
typedef struct ssl_session_st SSL_SESSION;

// A session kept from a finished connection, offered to the next connection
// to the same host so that it resumes with a shorter handshake. Copies share
// the one session, which goes with the last of them. Empty when there is
// nothing to offer.
class TTlsSession
{
public:
    TTlsSession() = default;

    bool Empty() const { return !m_session; }
    // The host the session was made with: it is offered to that host only.
    const std::string& Host() const { return m_host; }

private:
    friend class TTlsEngine;

    TTlsSession(std::shared_ptr<SSL_SESSION> session, std::string host)
        : m_session(std::move(session))
        , m_host(std::move(host))
    { }

    std::shared_ptr<SSL_SESSION> m_session;
    std::string m_host;
};
