#pragma once

#include <string>

// Socket error codes in the WinSock numbering (0 = success) and their texts.
namespace SocketErrors {
constexpr int Interrupted = 10004; // WSAEINTR
constexpr int BadFile = 10009; // WSAEBADF
constexpr int InvalidArgument = 10022; // WSAEINVAL
constexpr int WouldBlock = 10035; // WSAEWOULDBLOCK
constexpr int InProgress = 10036; // WSAEINPROGRESS
constexpr int NotSocket = 10038; // WSAENOTSOCK
constexpr int NetUnreachable = 10051; // WSAENETUNREACH
constexpr int ConnReset = 10054; // WSAECONNRESET
constexpr int NotConnected = 10057; // WSAENOTCONN
constexpr int TimedOut = 10060; // WSAETIMEDOUT
constexpr int ConnRefused = 10061; // WSAECONNREFUSED
constexpr int HostUnreachable = 10065; // WSAEHOSTUNREACH
constexpr int NotInitialised = 10093; // WSANOTINITIALISED
constexpr int HostNotFound = 11001; // WSAHOST_NOT_FOUND
constexpr int TryAgain = 11002; // WSATRY_AGAIN
constexpr int NoRecovery = 11003; // WSANO_RECOVERY
constexpr int NoData = 11004; // WSANO_DATA
} // namespace SocketErrors

// The fixed English text of a socket error code ("Not a WinSock error" for unknown codes).
std::string WSocketErrorText(int code);

// Maps a POSIX errno value onto its socket error code (0 stays 0).
int ErrnoToSocketError(int err);
