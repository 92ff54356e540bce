#pragma once

#include <memory>
#include <openssl/types.h>
#include <stdexcept>
#include <string>

// A TLS setting that cannot be used or a connection that cannot be set up,
// with its message for people ("TLS: ...").
class ETlsError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The client settings every connection of one CA-file setting shares: TLS 1.2
// or later, and the server's certificate verified against the system's store
// plus an optional extra CA file.
class TTlsContext
{
public:
    // Settings trusting the system's store and the certificates of `caFile`
    // (a PEM bundle; empty for none). Throws ETlsError "TLS: cannot read CA
    // file <path>: <reason>" when the file cannot be loaded.
    explicit TTlsContext(const std::string& caFile = "");
    ~TTlsContext();
    TTlsContext(const TTlsContext&) = delete;
    TTlsContext& operator=(const TTlsContext&) = delete;

    // The extra CA file given (empty for none).
    const std::string& CaFile() const { return m_caFile; }

private:
    friend class TTlsEngine;

    struct TFree
    {
        void operator()(SSL_CTX* ctx) const;
    };

    std::unique_ptr<SSL_CTX, TFree> m_ctx;
    std::string m_caFile;
};
