#pragma once

#include <cstdint>
#include <string>

// Thin wrappers around the POSIX socket calls the socket component needs.
// Every raw system call of the component lives here; each returns 0 or a
// socket error code (WinSock numbering) instead of setting errno.
namespace SocketEngine {

// Creates a non-blocking, close-on-exec IPv4 socket (stream or datagram).
int create(bool datagram, int protocol, int& fd);
// Makes an adopted handle non-blocking.
int setNonBlocking(int fd);
// Closes the handle.
int close(int fd);
// Shuts down reading (0), writing (1) or both (2).
int shutdown(int fd, int how);

// SO_LINGER with `on` and `seconds`.
int setLinger(int fd, bool on, int seconds);
// A boolean socket option at SOL_SOCKET: SO_KEEPALIVE, SO_REUSEADDR, SO_BROADCAST.
int setBoolOption(int fd, int option, bool on);
// The pending error of the socket (SO_ERROR) as a socket error code.
int pendingError(int fd, int& error);

// Binds to `addr` (network order) and `port` (host order).
int bind(int fd, std::uint32_t addr, std::uint16_t port);
// Listens with `backlog`.
int listen(int fd, int backlog);
// Accepts one connection; `newFd` becomes a non-blocking handle.
int accept(int fd, int& newFd);
// Starts a connect; 10036 or 10035 means it completes later.
int connect(int fd, std::uint32_t addr, std::uint16_t port);

// One piece of a gathered send.
struct ConstBuf
{
    const char* data;
    int len;
};

// Sends the pieces in order, as much as the kernel takes in one call
// (MSG_OOB when `urgent`); `sent` gets the count.
int sendv(int fd, const ConstBuf* parts, int count, bool urgent, int& sent);
// Sends one datagram to addr:port.
int sendTo(int fd, const void* data, int len, std::uint32_t addr, std::uint16_t port, int& sent);
// Receives up to `len` bytes; `got` gets the count (0 = orderly close).
int recv(int fd, void* buffer, int len, int& got);
// Looks at the next byte without taking it; `got` as for recv.
int peek(int fd, int& got);
// Number of bytes waiting to be read (FIONREAD).
int bytesWaiting(int fd, int& count);

// Local address and port (port in host order).
int localName(int fd, std::uint32_t& addr, std::uint16_t& port);
// Peer address and port (port in host order).
int peerName(int fd, std::uint32_t& addr, std::uint16_t& port);

// Whether the text is a dotted IPv4 address; `addr` gets it in network order.
bool parseDotted(const std::string& text, std::uint32_t& addr);
// The dotted form of an address given in network order.
std::string toDotted(std::uint32_t addr);
// Blocking lookup of a host name; first IPv4 address in network order.
bool resolveName(const std::string& name, std::uint32_t& addr);
// Port of a service name for protocol `proto`; false when unknown.
bool servicePort(const std::string& name, const std::string& proto, std::uint16_t& port);
// Number of a protocol name; false when unknown.
bool protocolNumber(const std::string& name, int& number);

} // namespace SocketEngine
