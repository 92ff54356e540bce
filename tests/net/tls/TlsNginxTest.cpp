#include "net/tls/TlsEngine.h"
#include "tests/support/RealServers.h"
#include "tests/support/TestPki.h"

#include <arpa/inet.h>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct TDescriptor
{
    int fd;
    ~TDescriptor() { ::close(fd); }
};

// Sends `request` through `engine` over a blocking loopback connection to
// `port`, whose every wait gives up after ten seconds, and returns all the
// server answered until the connection ended.
std::string fetch(TTlsEngine& engine, int port, const std::string& request)
{
    const TDescriptor connection { ::socket(AF_INET, SOCK_STREAM, 0) };
    const timeval bound { 10, 0 };
    ::setsockopt(connection.fd, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
    ::setsockopt(connection.fd, SOL_SOCKET, SO_SNDTIMEO, &bound, sizeof bound);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(connection.fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        throw std::runtime_error("cannot connect to port " + std::to_string(port));
    engine.Start();
    engine.Write(request);
    std::string response;
    char buffer[8192];
    while (engine.State() == TTlsState::Handshaking || engine.State() == TTlsState::Open) {
        const std::string out = engine.TakeOutput();
        if (::send(connection.fd, out.data(), out.size(), MSG_NOSIGNAL) != std::ssize(out))
            throw std::runtime_error("cannot send");
        const ssize_t got = ::recv(connection.fd, buffer, sizeof buffer, 0);
        if (got < 0)
            throw std::runtime_error("no answer in time");
        if (got == 0)
            engine.FeedEnd();
        else
            engine.Feed(std::string_view(buffer, static_cast<std::size_t>(got)));
        while (const std::size_t count = engine.Read(buffer, sizeof buffer))
            response.append(buffer, count);
    }
    return response;
}

TEST(TlsNginx, APageComesOverTlsAndTheSessionResumes)
{
    const TTestPki& pki = TTestPki::Get();
    auto nginx = TRealServer::StartNginxTls(pki.Valid.Chain, pki.Valid.Key, "");
    std::ofstream(nginx->Dir() + "/www/index.html") << "<html>over TLS</html>\n";
    TTlsContext context(pki.CaFile);
    const std::string request = "GET /index.html HTTP/1.0\r\nHost: localhost\r\n\r\n";

    TTlsEngine first(context, "localhost");
    const std::string response = fetch(first, nginx->Port(), request);
    EXPECT_EQ(response.substr(0, 15), "HTTP/1.1 200 OK") << first.Error() << nginx->Log();
    EXPECT_TRUE(response.ends_with("\r\n\r\n<html>over TLS</html>\n")) << response;
    EXPECT_EQ(first.State(), TTlsState::Closed) << "nginx ends TLS with close_notify";
    EXPECT_FALSE(first.Resumed());

    TTlsEngine second(context, "localhost", first.Session());
    EXPECT_TRUE(fetch(second, nginx->Port(), request).ends_with("<html>over TLS</html>\n"))
        << second.Error();
    EXPECT_TRUE(second.Resumed());
}

} // namespace
