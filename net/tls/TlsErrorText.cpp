#include "net/tls/TlsErrorText.h"

#include <arpa/inet.h>
#include <memory>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>

namespace {

struct TNamesFree
{
    void operator()(GENERAL_NAMES* names) const { GENERAL_NAMES_free(names); }
};

std::string asText(const ASN1_STRING* text)
{
    return std::string(reinterpret_cast<const char*>(ASN1_STRING_get0_data(text)),
        static_cast<std::size_t>(ASN1_STRING_length(text)));
}

std::string addressText(const ASN1_OCTET_STRING* octets)
{
    const int length = ASN1_STRING_length(octets);
    const int family = length == 4 ? AF_INET : length == 16 ? AF_INET6 : AF_UNSPEC;
    char text[INET6_ADDRSTRLEN] = {};
    if (family == AF_UNSPEC
        || !::inet_ntop(family, ASN1_STRING_get0_data(octets), text, sizeof text))
        return {};
    return text;
}

// What a certificate is for, as a person would name it: its first DNS name,
// else its first address, else its common name.
std::string certificateName(X509* cert)
{
    std::unique_ptr<GENERAL_NAMES, TNamesFree> names(static_cast<GENERAL_NAMES*>(
        X509_get_ext_d2i(cert, NID_subject_alt_name, nullptr, nullptr)));
    std::string address;
    for (int i = 0; names && i < sk_GENERAL_NAME_num(names.get()); ++i) {
        const GENERAL_NAME* name = sk_GENERAL_NAME_value(names.get(), i);
        if (name->type == GEN_DNS)
            return asText(name->d.dNSName);
        if (name->type == GEN_IPADD && address.empty())
            address = addressText(name->d.iPAddress);
    }
    if (!address.empty())
        return address;
    const X509_NAME* subject = X509_get_subject_name(cert);
    const int at = X509_NAME_get_index_by_NID(subject, NID_commonName, -1);
    if (at < 0)
        return "no name";
    return asText(X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, at)));
}

// The name of the certificate the server presented. A certificate that
// failed verification is not kept as the peer's, but the chain it came in is.
std::string presentedName(const SSL* ssl)
{
    STACK_OF(X509)* chain = SSL_get_peer_cert_chain(ssl);
    if (!chain || sk_X509_num(chain) == 0)
        return "no name";
    return certificateName(sk_X509_value(chain, 0));
}

bool queueSays(int reason)
{
    const unsigned long error = ERR_peek_error();
    return error != 0 && ERR_GET_REASON(error) == reason;
}

} // namespace

std::string OpenSslReason(const std::string& fallback)
{
    const unsigned long error = ERR_peek_error();
    if (error == 0)
        return fallback;
    if (const char* reason = ERR_reason_error_string(error))
        return reason;
    char text[256];
    ERR_error_string_n(error, text, sizeof text);
    return text;
}

std::string HandshakeFailureText(const SSL* ssl, int sslError)
{
    const long verify = SSL_get_verify_result(ssl);
    if (verify == X509_V_ERR_HOSTNAME_MISMATCH)
        return "TLS: host name mismatch (cert is for " + presentedName(ssl) + ")";
    if (verify == X509_V_ERR_IP_ADDRESS_MISMATCH)
        return "TLS: address mismatch (cert is for " + presentedName(ssl) + ")";
    if (verify != X509_V_OK)
        return std::string("TLS: certificate verify failed: ")
            + X509_verify_cert_error_string(verify);
    if (queueSays(SSL_R_UNEXPECTED_EOF_WHILE_READING)
        || (sslError == SSL_ERROR_SYSCALL && ERR_peek_error() == 0))
        return "TLS: connection closed during the handshake";
    return "TLS: " + OpenSslReason("handshake failed");
}

std::string DataFailureText(int sslError)
{
    if (sslError == SSL_ERROR_SYSCALL && ERR_peek_error() == 0)
        return "TLS: connection failed";
    return "TLS: " + OpenSslReason("connection failed");
}
