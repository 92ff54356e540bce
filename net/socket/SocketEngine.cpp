#include "net/socket/SocketEngine.h"

#include "net/socket/SocketErrors.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <sys/uio.h>

namespace {

int lastCode()
{
    return ErrnoToSocketError(errno);
}

sockaddr_in makeAddr(std::uint32_t addr, std::uint16_t port)
{
    sockaddr_in sin {};
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = addr;
    sin.sin_port = htons(port);
    return sin;
}

} // namespace

namespace SocketEngine {

int create(bool datagram, int protocol, int& fd)
{
    const int type = (datagram ? SOCK_DGRAM : SOCK_STREAM) | SOCK_NONBLOCK | SOCK_CLOEXEC;
    fd = ::socket(AF_INET, type, protocol);
    return fd < 0 ? lastCode() : 0;
}

int setNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0)
        return lastCode();
    return 0;
}

int close(int fd)
{
    return ::close(fd) < 0 && errno != EINTR ? lastCode() : 0;
}

int shutdown(int fd, int how)
{
    return ::shutdown(fd, how) < 0 ? lastCode() : 0;
}

int setLinger(int fd, bool on, int seconds)
{
    linger l {};
    l.l_onoff = on ? 1 : 0;
    l.l_linger = seconds;
    return ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l) < 0 ? lastCode() : 0;
}

int setBoolOption(int fd, int option, bool on)
{
    const int v = on ? 1 : 0;
    return ::setsockopt(fd, SOL_SOCKET, option, &v, sizeof v) < 0 ? lastCode() : 0;
}

int pendingError(int fd, int& error)
{
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) < 0)
        return lastCode();
    error = ErrnoToSocketError(err);
    return 0;
}

int bind(int fd, std::uint32_t addr, std::uint16_t port)
{
    const sockaddr_in sin = makeAddr(addr, port);
    return ::bind(fd, reinterpret_cast<const sockaddr*>(&sin), sizeof sin) < 0 ? lastCode() : 0;
}

int listen(int fd, int backlog)
{
    return ::listen(fd, backlog) < 0 ? lastCode() : 0;
}

int accept(int fd, int& newFd)
{
    newFd = ::accept4(fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    return newFd < 0 ? lastCode() : 0;
}

int connect(int fd, std::uint32_t addr, std::uint16_t port)
{
    const sockaddr_in sin = makeAddr(addr, port);
    return ::connect(fd, reinterpret_cast<const sockaddr*>(&sin), sizeof sin) < 0 ? lastCode() : 0;
}

int sendv(int fd, const ConstBuf* parts, int count, bool urgent, int& sent)
{
    iovec iov[1024];
    const int n = std::min(count, 1024);
    for (int i = 0; i < n; ++i) {
        iov[i].iov_base = const_cast<char*>(parts[i].data);
        iov[i].iov_len = static_cast<size_t>(parts[i].len);
    }
    // MSG_NOSIGNAL: a reset peer is an error code, not a process-killing SIGPIPE.
    msghdr msg {};
    msg.msg_iov = iov;
    msg.msg_iovlen = static_cast<size_t>(n);
    ssize_t r;
    do
        r = ::sendmsg(fd, &msg, MSG_NOSIGNAL | (urgent ? MSG_OOB : 0));
    while (r < 0 && errno == EINTR);
    sent = r < 0 ? 0 : static_cast<int>(r);
    return r < 0 ? lastCode() : 0;
}

int sendTo(int fd, const void* data, int len, std::uint32_t addr, std::uint16_t port, int& sent)
{
    const sockaddr_in sin = makeAddr(addr, port);
    const ssize_t n = ::sendto(fd, data, static_cast<size_t>(len), MSG_NOSIGNAL,
        reinterpret_cast<const sockaddr*>(&sin), sizeof sin);
    sent = n < 0 ? 0 : static_cast<int>(n);
    return n < 0 ? lastCode() : 0;
}

int recv(int fd, void* buffer, int len, int& got)
{
    ssize_t n;
    do
        n = ::recv(fd, buffer, static_cast<size_t>(len), 0);
    while (n < 0 && errno == EINTR);
    got = n < 0 ? 0 : static_cast<int>(n);
    return n < 0 ? lastCode() : 0;
}

int peek(int fd, int& got)
{
    char c;
    const ssize_t n = ::recv(fd, &c, 1, MSG_PEEK);
    got = n < 0 ? 0 : static_cast<int>(n);
    return n < 0 ? lastCode() : 0;
}

int bytesWaiting(int fd, int& count)
{
    int n = 0;
    if (::ioctl(fd, FIONREAD, &n) < 0)
        return lastCode();
    count = n;
    return 0;
}

int localName(int fd, std::uint32_t& addr, std::uint16_t& port)
{
    sockaddr_in sin {};
    socklen_t len = sizeof sin;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&sin), &len) < 0)
        return lastCode();
    addr = sin.sin_addr.s_addr;
    port = ntohs(sin.sin_port);
    return 0;
}

int peerName(int fd, std::uint32_t& addr, std::uint16_t& port)
{
    sockaddr_in sin {};
    socklen_t len = sizeof sin;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&sin), &len) < 0)
        return lastCode();
    addr = sin.sin_addr.s_addr;
    port = ntohs(sin.sin_port);
    return 0;
}

bool parseDotted(const std::string& text, std::uint32_t& addr)
{
    in_addr a {};
    // inet_aton takes what the classic dotted-text conversion takes: 1 to 4
    // parts, decimal, octal or hex.
    if (text.find('\0') != std::string::npos || ::inet_aton(text.c_str(), &a) == 0)
        return false;
    addr = a.s_addr;
    return true;
}

std::string toDotted(std::uint32_t addr)
{
    in_addr a {};
    a.s_addr = addr;
    char buf[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &a, buf, sizeof buf);
    return buf;
}

bool resolveName(const std::string& name, std::uint32_t& addr)
{
    addrinfo hints {};
    hints.ai_family = AF_INET;
    addrinfo* res = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &res) != 0 || res == nullptr)
        return false;
    addr = reinterpret_cast<const sockaddr_in*>(res->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(res);
    return true;
}

bool servicePort(const std::string& name, const std::string& proto, std::uint16_t& port)
{
    servent entry {};
    servent* found = nullptr;
    char buf[1024];
    if (::getservbyname_r(
            name.c_str(), proto.empty() ? nullptr : proto.c_str(), &entry, buf, sizeof buf, &found)
            != 0
        || found == nullptr)
        return false;
    port = ntohs(static_cast<std::uint16_t>(found->s_port));
    return true;
}

bool protocolNumber(const std::string& name, int& number)
{
    protoent entry {};
    protoent* found = nullptr;
    char buf[1024];
    if (::getprotobyname_r(name.c_str(), &entry, buf, sizeof buf, &found) != 0
        || found == nullptr) {
        // The two protocols the component speaks are known even without /etc/protocols.
        if (name == "tcp" || name == "TCP")
            number = 6;
        else if (name == "udp" || name == "UDP")
            number = 17;
        else
            return false;
        return true;
    }
    number = found->p_proto;
    return true;
}

} // namespace SocketEngine
