#pragma once

#include <openssl/types.h>
#include <string>

// Messages for people from OpenSSL's answers, all beginning "TLS: ".

// The reason of the earliest error in the thread's OpenSSL error queue, in
// OpenSSL's words ("no certificate or crl found"); `fallback` when the queue
// is empty.
std::string OpenSslReason(const std::string& fallback);

// Why the handshake of `ssl` failed, its last call having answered
// `sslError`: the certificate's fault ("TLS: certificate verify failed:
// certificate has expired", "TLS: host name mismatch (cert is for
// other.test)"), an alert or a protocol error in OpenSSL's words, or an end
// of the transport.
std::string HandshakeFailureText(const SSL* ssl, int sslError);

// Why reading or writing failed after the handshake ("TLS: " and OpenSSL's
// reason, for instance an alert the server sent).
std::string DataFailureText(int sslError);
