#include "tests/support/TestPki.h"

#include "tests/support/ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const std::string Openssl = "/usr/bin/openssl";
constexpr auto CommandDeadline = std::chrono::seconds(30);
const std::string ServerNames
    = "subjectAltName=DNS:localhost,DNS:skelvo.test,DNS:www.skelvo.test,IP:127.0.0.1,IP:::1";

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs openssl with `args` in `folder`, waiting at most CommandDeadline.
void runOpenssl(const std::string& folder, const std::vector<std::string>& args)
{
    if (::access(Openssl.c_str(), X_OK) != 0)
        throw std::runtime_error(Openssl
            + " is missing: install the Debian package openssl"
              " (make test runs scripts/install-deps, which installs it)");
    const std::string log = folder + "/openssl.log";
    const pid_t pid = SpawnChild(Openssl, args, { folder, log, "", false });
    const auto deadline = std::chrono::steady_clock::now() + CommandDeadline;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR)
            throw std::runtime_error("lost the openssl command: " + args.front());
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
            throw std::runtime_error("openssl " + args.front() + " did not end in time");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("openssl " + args.front() + " failed:\n" + readText(log));
}

std::vector<std::string> newKey(const std::string& keyFile)
{
    return { "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-noenc", "-keyout", keyFile };
}

std::vector<std::string> joined(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

void makeCa(const std::string& folder, const std::string& name, const std::string& subject)
{
    runOpenssl(folder,
        joined({ { "req", "-x509" }, newKey(name + ".key"),
            { "-out", name + ".pem", "-days", "3650", "-subj", "/CN=" + subject } }));
}

// A server certificate `name` for `names` signed by the CA `ca`, valid for a year.
TTestCert makeServer(const std::string& folder, const std::string& name, const std::string& ca,
    const std::string& names)
{
    runOpenssl(folder,
        joined(
            { { "req", "-x509", "-CA", ca + ".pem", "-CAkey", ca + ".key" }, newKey(name + ".key"),
                { "-out", name + ".pem", "-days", "365", "-subj", "/CN=" + name, "-addext", names,
                    "-addext", "basicConstraints=critical,CA:FALSE", "-addext",
                    "extendedKeyUsage=serverAuth" } }));
    return { folder + "/" + name + ".pem", "", folder + "/" + name + ".key" };
}

// Like makeServer, but the certificate's time ended a day before it began:
// the request and the signing are separate commands, as only the signing
// command takes a negative number of days.
TTestCert makeExpired(const std::string& folder, const std::string& name, const std::string& ca)
{
    runOpenssl(folder,
        joined({ { "req", "-new" }, newKey(name + ".key"),
            { "-out", name + ".csr", "-subj", "/CN=" + name, "-addext", ServerNames } }));
    runOpenssl(folder,
        { "x509", "-req", "-in", name + ".csr", "-CA", ca + ".pem", "-CAkey", ca + ".key",
            "-copy_extensions", "copyall", "-days", "-1", "-out", name + ".pem" });
    return { folder + "/" + name + ".pem", "", folder + "/" + name + ".key" };
}

// Writes the certificate followed by the CA's into a chain file beside it.
void addChain(TTestCert& cert, const std::string& caFile)
{
    cert.Chain = cert.Cert.substr(0, cert.Cert.size() - 4) + "-chain.pem";
    std::ofstream out(cert.Chain, std::ios::binary | std::ios::trunc);
    out << readText(cert.Cert) << readText(caFile);
    if (!out.flush())
        throw std::runtime_error("cannot write " + cert.Chain);
}

} // namespace

const TTestPki& TTestPki::Get()
{
    static const TTestPki pki;
    return pki;
}

TTestPki::TTestPki()
{
    const std::string d = m_folder.path().string();
    makeCa(d, "ca", "Skelvo Test CA");
    makeCa(d, "other-ca", "Skelvo Other CA");
    CaFile = d + "/ca.pem";
    OtherCaFile = d + "/other-ca.pem";
    Valid = makeServer(d, "valid", "ca", ServerNames);
    WrongHost = makeServer(d, "wrong-host", "ca", "subjectAltName=DNS:other.test");
    Expired = makeExpired(d, "expired", "ca");
    OtherCa = makeServer(d, "other-ca-server", "other-ca", ServerNames);
    addChain(Valid, CaFile);
    addChain(WrongHost, CaFile);
    addChain(Expired, CaFile);
    addChain(OtherCa, OtherCaFile);
}
