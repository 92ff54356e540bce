#pragma once

// The socket as the program uses it, built in layers, each a class of its
// own header:
//   TCustomWSocket       (CustomWSocket.h)  TCP and UDP over the event loop
//   TCustomSocksWSocket  (SocksWSocket.h)   the SOCKS 5 client layer
//   TCustomTlsWSocket    (TlsWSocket.h)     an HTTP proxy's tunnel and TLS
//   TWSocket             (here)             the published class
// A layer takes the events of the one below over while it holds the
// connection for itself, and hands them on unchanged otherwise.
#include "net/socket/TlsWSocket.h"

// The published socket class.
class TWSocket : public TCustomTlsWSocket
{
public:
    using TCustomTlsWSocket::TCustomTlsWSocket;
};
