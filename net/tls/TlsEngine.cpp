#include "net/tls/TlsEngine.h"

#include "net/tls/TlsErrorText.h"

#include <algorithm>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

namespace {

// The address `host` spells, brackets removed, or empty when it is a name.
std::string addressLiteral(const std::string& host)
{
    std::string bare = host;
    if (bare.size() > 2 && bare.front() == '[' && bare.back() == ']')
        bare = bare.substr(1, bare.size() - 2);
    unsigned char address[sizeof(in6_addr)];
    if (::inet_pton(AF_INET, bare.c_str(), address) == 1
        || ::inet_pton(AF_INET6, bare.c_str(), address) == 1)
        return bare;
    return {};
}

bool mustRetry(int sslError)
{
    return sslError == SSL_ERROR_WANT_READ || sslError == SSL_ERROR_WANT_WRITE;
}

// Plaintext taken from OpenSSL per call: one full record.
constexpr std::size_t ReadBlock = 16384;

} // namespace

void TTlsEngine::TFree::operator()(SSL* ssl) const
{
    SSL_free(ssl);
}

TTlsEngine::TTlsEngine(
    const TTlsContext& context, const std::string& host, const TTlsSession& offer)
    : m_host(host)
{
    if (host.empty())
        throw ETlsError("TLS: no host name to check the certificate against");
    ERR_clear_error();
    m_ssl.reset(SSL_new(context.m_ctx.get()));
    m_in = BIO_new(BIO_s_mem());
    m_out = BIO_new(BIO_s_mem());
    if (!m_ssl || !m_in || !m_out) {
        BIO_free(m_in);
        BIO_free(m_out);
        throw ETlsError("TLS: cannot set up the connection: " + OpenSslReason("out of memory"));
    }
    SSL* ssl = m_ssl.get();
    // An empty input asks for more rather than ending the stream, until FeedEnd.
    BIO_set_mem_eof_return(m_in, -1);
    SSL_set_bio(ssl, m_in, m_out);
    SSL_set_connect_state(ssl);

    const std::string address = addressLiteral(host);
    bool named = false;
    if (!address.empty()) {
        // No SNI for an address: the name field may carry host names only.
        named = X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), address.c_str()) == 1;
    } else {
        SSL_set_hostflags(ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        named = SSL_set_tlsext_host_name(ssl, host.c_str()) == 1
            && SSL_set1_host(ssl, host.c_str()) == 1;
    }
    if (!named)
        throw ETlsError(
            "TLS: cannot use the host name " + host + ": " + OpenSslReason("not a valid name"));
    if (!offer.Empty() && offer.Host() == host)
        SSL_set_session(ssl, offer.m_session.get());
}

TTlsEngine::~TTlsEngine() = default;

void TTlsEngine::Start()
{
    drive();
}

void TTlsEngine::Feed(std::string_view bytes)
{
    if (m_state != TTlsState::Handshaking && m_state != TTlsState::Open)
        return;
    std::size_t written = 0;
    if (!bytes.empty() && BIO_write_ex(m_in, bytes.data(), bytes.size(), &written) != 1) {
        fail("TLS: out of memory");
        return;
    }
    drive();
}

void TTlsEngine::FeedEnd()
{
    if (m_state != TTlsState::Handshaking && m_state != TTlsState::Open)
        return;
    // From now on an empty input is the end of the stream: the handshake
    // fails, and a read finds close_notify or reports an unexpected end.
    BIO_set_mem_eof_return(m_in, 0);
    drive();
}

bool TTlsEngine::Write(std::string_view data)
{
    if ((m_state != TTlsState::Handshaking && m_state != TTlsState::Open) || m_shutdownSent)
        return false;
    m_queued.append(data);
    if (m_state == TTlsState::Open)
        flushWrites();
    return true;
}

void TTlsEngine::Shutdown()
{
    if ((m_state != TTlsState::Open && m_state != TTlsState::Closed) || m_shutdownSent)
        return;
    m_shutdownSent = true;
    ERR_clear_error();
    SSL_shutdown(m_ssl.get());
}

std::string TTlsEngine::TakeOutput()
{
    std::string bytes(BIO_ctrl_pending(m_out), '\0');
    std::size_t taken = 0;
    if (!bytes.empty() && BIO_read_ex(m_out, bytes.data(), bytes.size(), &taken) != 1)
        taken = 0;
    bytes.resize(taken);
    return bytes;
}

std::size_t TTlsEngine::Read(char* buffer, std::size_t size)
{
    const std::size_t count = std::min(size, Available());
    m_received.copy(buffer, count, m_readPos);
    m_readPos += count;
    if (m_readPos == m_received.size()) {
        m_received.clear();
        m_readPos = 0;
    }
    return count;
}

bool TTlsEngine::Resumed() const
{
    return SSL_session_reused(m_ssl.get()) == 1;
}

TTlsSession TTlsEngine::Session() const
{
    if (m_state == TTlsState::Failed)
        return {};
    const SSL_SESSION* current = SSL_get_session(m_ssl.get());
    if (!current || SSL_SESSION_is_resumable(current) != 1)
        return {};
    // A copy: OpenSSL marks the connection's own session unusable when the
    // connection is freed without close_notify sent, which is how a finished
    // HTTP/1.0 connection commonly goes.
    std::shared_ptr<SSL_SESSION> copy(SSL_SESSION_dup(current), SSL_SESSION_free);
    if (!copy)
        return {};
    return TTlsSession(std::move(copy), m_host);
}

void TTlsEngine::drive()
{
    if (m_state == TTlsState::Handshaking && !handshake())
        return;
    if (m_state == TTlsState::Open)
        flushWrites();
    if (m_state == TTlsState::Open)
        readAll();
}

bool TTlsEngine::handshake()
{
    ERR_clear_error();
    const int result = SSL_connect(m_ssl.get());
    if (result == 1) {
        m_state = TTlsState::Open;
        return true;
    }
    const int error = SSL_get_error(m_ssl.get(), result);
    if (!mustRetry(error))
        fail(HandshakeFailureText(m_ssl.get(), error));
    return false;
}

void TTlsEngine::flushWrites()
{
    while (!m_writing.empty() || !m_queued.empty()) {
        // New bytes join only once the pending write has gone through: a
        // write OpenSSL asked to retry must be retried with the same bytes.
        if (m_writing.empty())
            m_writing.swap(m_queued);
        ERR_clear_error();
        std::size_t written = 0;
        const int result = SSL_write_ex(m_ssl.get(), m_writing.data(), m_writing.size(), &written);
        if (result == 1) {
            // Without partial writes a success has taken every byte.
            m_writing.clear();
            continue;
        }
        const int error = SSL_get_error(m_ssl.get(), result);
        if (!mustRetry(error))
            fail(DataFailureText(error));
        return;
    }
}

void TTlsEngine::readAll()
{
    if (m_readPos > 0) {
        m_received.erase(0, m_readPos);
        m_readPos = 0;
    }
    // Until OpenSSL asks for more input: a record decrypted but not yet taken
    // (SSL_pending) would wait unseen, since the transport has nothing more
    // to announce.
    char block[ReadBlock];
    for (;;) {
        ERR_clear_error();
        std::size_t got = 0;
        const int result = SSL_read_ex(m_ssl.get(), block, sizeof block, &got);
        if (result == 1) {
            m_received.append(block, got);
            continue;
        }
        const int error = SSL_get_error(m_ssl.get(), result);
        if (mustRetry(error))
            return;
        if (error == SSL_ERROR_ZERO_RETURN)
            m_state = TTlsState::Closed;
        else if (error == SSL_ERROR_SSL
            && ERR_GET_REASON(ERR_peek_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING)
            m_state = TTlsState::Cut;
        else
            fail(DataFailureText(error));
        return;
    }
}

void TTlsEngine::fail(std::string reason)
{
    m_state = TTlsState::Failed;
    m_error = std::move(reason);
}
