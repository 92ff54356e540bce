#include "net/tls/TlsContext.h"

#include "net/tls/TlsErrorText.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <openssl/err.h>
#include <openssl/ssl.h>

namespace {

// Why `path` cannot serve as a CA file, before OpenSSL is asked: the system's
// own words for a file that cannot be opened; empty when it can.
std::string openProblem(const std::string& path)
{
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored))
        return "it is a folder";
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return std::strerror(errno);
    std::fclose(file);
    return {};
}

} // namespace

void TTlsContext::TFree::operator()(SSL_CTX* ctx) const
{
    SSL_CTX_free(ctx);
}

TTlsContext::TTlsContext(const std::string& caFile)
    : m_caFile(caFile)
{
    ERR_clear_error();
    m_ctx.reset(SSL_CTX_new(TLS_client_method()));
    if (!m_ctx)
        throw ETlsError("TLS: cannot set up: " + OpenSslReason("out of memory"));
    SSL_CTX* ctx = m_ctx.get();
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
    if (SSL_CTX_set_default_verify_paths(ctx) != 1)
        throw ETlsError(
            "TLS: cannot load the system's certificates: " + OpenSslReason("unknown reason"));
    if (caFile.empty())
        return;
    std::string problem = openProblem(caFile);
    ERR_clear_error();
    if (problem.empty() && SSL_CTX_load_verify_file(ctx, caFile.c_str()) != 1)
        problem = OpenSslReason("no certificate in it");
    if (!problem.empty())
        throw ETlsError("TLS: cannot read CA file " + caFile + ": " + problem);
}

TTlsContext::~TTlsContext() = default;
