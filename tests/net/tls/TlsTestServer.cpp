#include "tests/net/tls/TlsTestServer.h"

#include <openssl/err.h>
#include <stdexcept>

namespace {

std::string lastError()
{
    const unsigned long error = ERR_peek_error();
    const char* reason = error ? ERR_reason_error_string(error) : nullptr;
    return reason ? reason : "failed";
}

} // namespace

TTlsTestServerContext::TTlsTestServerContext(
    const std::string& certFile, const std::string& keyFile, int maxVersion)
    : m_ctx(SSL_CTX_new(TLS_server_method()), SSL_CTX_free)
{
    if (!m_ctx || SSL_CTX_use_certificate_chain_file(m_ctx.get(), certFile.c_str()) != 1
        || SSL_CTX_use_PrivateKey_file(m_ctx.get(), keyFile.c_str(), SSL_FILETYPE_PEM) != 1
        || SSL_CTX_set_max_proto_version(m_ctx.get(), maxVersion) != 1)
        throw std::runtime_error("test server cannot load " + certFile + ": " + lastError());
}

TTlsTestServer::TTlsTestServer(const TTlsTestServerContext& context)
    : m_ssl(SSL_new(context.get()), SSL_free)
{
    BIO* in = BIO_new(BIO_s_mem());
    m_out = BIO_new(BIO_s_mem());
    BIO_set_mem_eof_return(in, -1);
    SSL_set_bio(m_ssl.get(), in, m_out);
    SSL_set_accept_state(m_ssl.get());
}

void TTlsTestServer::Feed(std::string_view bytes)
{
    if (!m_error.empty())
        return;
    std::size_t written = 0;
    BIO_write_ex(SSL_get_rbio(m_ssl.get()), bytes.data(), bytes.size(), &written);
    ERR_clear_error();
    if (!m_handshakeDone) {
        const int result = SSL_do_handshake(m_ssl.get());
        m_handshakeDone = result == 1;
        if (!m_handshakeDone) {
            if (SSL_get_error(m_ssl.get(), result) != SSL_ERROR_WANT_READ)
                m_error = lastError();
            return;
        }
    }
    char block[16384];
    std::size_t got = 0;
    int result = 0;
    while ((result = SSL_read_ex(m_ssl.get(), block, sizeof block, &got)) == 1)
        m_received.append(block, got);
    const int error = SSL_get_error(m_ssl.get(), result);
    if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_ZERO_RETURN)
        m_error = lastError();
}

void TTlsTestServer::Write(std::string_view data)
{
    std::size_t written = 0;
    if (SSL_write_ex(m_ssl.get(), data.data(), data.size(), &written) != 1)
        throw std::runtime_error("test server cannot write: " + lastError());
}

void TTlsTestServer::Shutdown()
{
    SSL_shutdown(m_ssl.get());
}

void TTlsTestServer::Renegotiate()
{
    // The request goes out at once; the answer comes with the next Feed.
    if (SSL_renegotiate(m_ssl.get()) != 1
        || (SSL_do_handshake(m_ssl.get()) <= 0 && !SSL_want_read(m_ssl.get())))
        throw std::runtime_error("test server cannot renegotiate: " + lastError());
}

std::string TTlsTestServer::TakeOutput()
{
    std::string bytes(BIO_ctrl_pending(m_out), '\0');
    std::size_t taken = 0;
    BIO_read_ex(m_out, bytes.data(), bytes.size(), &taken);
    bytes.resize(taken);
    return bytes;
}

std::string TTlsTestServer::ServerName() const
{
    const char* name = SSL_get_servername(m_ssl.get(), TLSEXT_NAMETYPE_host_name);
    return name ? name : "";
}
