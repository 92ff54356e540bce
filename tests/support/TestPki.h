#pragma once

#include "tests/support/TempFolder.h"

#include <string>

// A server certificate of the test PKI: paths of PEM files.
struct TTestCert
{
    std::string Cert; // the certificate alone
    std::string Chain; // the certificate followed by the CA certificate that signed it
    std::string Key; // its private key
};

// The certificates of the TLS tests, made by the openssl command in a
// temporary folder the first time a test asks for them, once per test
// process. Every command's wait is bounded; a missing command or a failed one
// throws std::runtime_error with its output.
class TTestPki
{
public:
    // The test process's PKI, made on first use.
    static const TTestPki& Get();

    std::string CaFile; // the test CA: trust it to accept every certificate below but OtherCa
    std::string OtherCaFile; // a second CA nobody trusts unless told to
    // Signed by the test CA for localhost, skelvo.test, www.skelvo.test,
    // 127.0.0.1 and ::1.
    TTestCert Valid;
    TTestCert WrongHost; // signed by the test CA for other.test alone
    TTestCert Expired; // like Valid, but its time ended yesterday
    TTestCert OtherCa; // like Valid, but signed by the second CA

private:
    TTestPki();

    TempFolder m_folder { "pki" };
};
