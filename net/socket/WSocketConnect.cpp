// Lookup, connection set-up (connect, listen, accept, adopt) and closing.
#include "net/socket/WSocket.h"

#include "net/socket/SocketEngine.h"
#include "net/socket/WSocketPrivate.h"

#include <sys/socket.h>

namespace {

constexpr std::uint32_t BroadcastAddr = 0xFFFFFFFFu;

int lookupError(HostLookup::Status status)
{
    switch (status) {
    case HostLookup::Status::Ok:
        return 0;
    case HostLookup::Status::HostNotFound:
        return SocketErrors::HostNotFound;
    default:
        return SocketErrors::NoRecovery;
    }
}

bool isConnectOutcome(int code)
{
    // Outcomes of the connection itself: the platform may report them at once,
    // but they are delivered as a connect completion like every other outcome.
    return code == SocketErrors::ConnRefused || code == SocketErrors::TimedOut
        || code == SocketErrors::NetUnreachable || code == SocketErrors::HostUnreachable
        || code == SocketErrors::ConnReset;
}

} // namespace

// ---- lookup -----------------------------------------------------------------

bool TCustomWSocket::beginLookup(const std::string& host)
{
    if (host.empty()) {
        RaiseException("DNS lookup: invalid host name.");
        // Only reached when OnError took the failure.
        Raise(OnDnsLookupDone, this, EventCode(SocketErrors::InvalidArgument));
        return false;
    }
    m_p->dnsLookup.cancel();
    m_dnsResult.clear();
    m_dnsResultList.clear();
    return true;
}

void TCustomWSocket::DnsLookup(const std::string& host)
{
    if (!beginLookup(host))
        return;
    std::uint32_t addr = 0;
    if (host != "255.255.255.255" && SocketEngine::parseDotted(host, addr)) {
        m_dnsResult = SocketEngine::toDotted(addr);
        Raise(OnDnsLookupDone, this, EventCode(0));
        return;
    }
    m_p->dnsLookup = HostLookup::lookupHost(
        host, [this](HostLookup::Status status, const std::vector<std::string>& results) {
            lookupDone(lookupError(status), results);
        });
}

void TCustomWSocket::ReverseDnsLookup(const std::string& dottedAddr)
{
    if (!beginLookup(dottedAddr))
        return;
    std::uint32_t addr = 0;
    if (!SocketEngine::parseDotted(dottedAddr, addr)) {
        m_lastError = SocketErrors::InvalidArgument;
        RaiseException(dottedAddr + ": can't start DNS lookup, error #"
            + std::to_string(SocketErrors::InvalidArgument));
        return;
    }
    m_p->dnsLookup = HostLookup::reverseLookup(SocketEngine::toDotted(addr),
        [this](HostLookup::Status status, const std::vector<std::string>& results) {
            lookupDone(lookupError(status), results);
        });
}

void TCustomWSocket::lookupDone(int error, const std::vector<std::string>& results)
{
    // Only the lookup in progress reports: a cancelled or replaced one never does.
    if (error == 0 && results.empty())
        error = SocketErrors::NoData;
    if (error == 0) {
        m_dnsResultList = results;
        m_dnsResult = results.front();
    }
    Raise(OnDnsLookupDone, this, EventCode(error));
}

void TCustomWSocket::CancelDnsLookup()
{
    if (!m_p->dnsLookup.pending())
        return;
    m_p->dnsLookup.cancel();
    if (!m_destroying)
        Raise(OnDnsLookupDone, this, EventCode(SocketErrors::Interrupted));
}

// ---- connect ------------------------------------------------------------------

void TCustomWSocket::resolveAll(bool withAddr)
{
    if (!m_protoResolved) {
        m_protoNum = WSocketResolveProto(m_proto);
        m_datagram = m_protoNum == 17;
        m_protoResolved = true;
    }
    if (!m_portResolved) {
        m_sinPort = WSocketResolvePort(m_port, m_datagram ? "udp" : "tcp");
        m_portResolved = true;
    }
    if (withAddr && !m_addrResolved) {
        m_sinAddr = WSocketResolveHost(m_addr);
        m_addrResolved = true;
    }
}

void TCustomWSocket::Connect()
{
    // LastError tells how this attempt went: a refusal that carries no code
    // of its own (a port the resolver cannot convert, say) leaves it 0.
    m_lastError = 0;
    if (m_hSocket != INVALID_SOCKET && m_state != wsClosed) {
        RaiseException("Connect: Socket already in use");
        return;
    }
    if (!m_portAssigned) {
        RaiseException("Connect: No Port Specified");
        return;
    }
    if (!m_addrAssigned) {
        RaiseException("Connect: No IP Address Specified");
        return;
    }
    if (!m_protoAssigned) {
        RaiseException("Connect: No Protocol Specified");
        return;
    }
    try {
        resolveAll(true);
    } catch (const ESocketException& e) {
        RaiseException(std::string("connect: ") + e.what());
        return;
    }
    deleteBufferedData();
    m_closeReported = false; // a new connection has its own close report

    TSocket fd = INVALID_SOCKET;
    if (const int rc = SocketEngine::create(m_datagram, m_protoNum, fd); rc != 0) {
        SocketError("Connect (socket)", rc);
        return;
    }
    attachHandle(fd);
    ChangeState(wsOpened);

    if (!m_datagram) {
        if (!applyLinger())
            return;
        if (const int rc = SocketEngine::setBoolOption(fd, SO_KEEPALIVE, true); rc != 0) {
            SocketError("setsockopt(SO_KEEPALIVE)", rc);
            return;
        }
        if (const int rc = SocketEngine::setBoolOption(fd, SO_REUSEADDR, true); rc != 0) {
            SocketError("setsockopt(SO_REUSEADDR)", rc);
            return;
        }
    } else {
        if (const int rc = SocketEngine::bind(fd, 0, 0); rc != 0) {
            m_lastError = rc;
            RaiseException("winsock.bind failed, error #" + std::to_string(rc));
            return;
        }
        // The bound port is checked here, where a failure is reported;
        // GetLocalPort asks the system again whenever it is wanted.
        std::uint32_t a = 0;
        std::uint16_t p = 0;
        if (const int rc = SocketEngine::localName(fd, a, p); rc != 0) {
            m_lastError = rc;
            RaiseException("winsock.getsockname failed, error #" + std::to_string(rc));
            return;
        }
        if (m_sinAddr == BroadcastAddr) {
            if (const int rc = SocketEngine::setBoolOption(fd, SO_BROADCAST, true); rc != 0) {
                SocketError("setsockopt(SO_BROADCAST)", rc);
                return;
            }
        }
        watch(true, false);
        ChangeState(wsConnected);
        TriggerSessionConnected(0);
        return;
    }

    qCDebug(lcSocket, "socket %d: connecting to %s:%u", fd,
        SocketEngine::toDotted(m_sinAddr).c_str(), unsigned { m_sinPort });
    const int rc = SocketEngine::connect(fd, m_sinAddr, m_sinPort);
    if (rc == 0 || rc == SocketErrors::WouldBlock || rc == SocketErrors::InProgress) {
        // Completion (even an immediate one) arrives as writability.
        ChangeState(wsConnecting);
        watch(false, true);
        return;
    }
    if (isConnectOutcome(rc)) {
        ChangeState(wsConnecting);
        post(&TCustomWSocket::Do_FD_CONNECT, rc);
        return;
    }
    m_lastError = rc;
    SocketError("Connect", rc);
}

void TCustomWSocket::Do_FD_CONNECT(int error)
{
    if (m_state != wsConnecting)
        return;
    if (error == 0) {
        qCDebug(lcSocket, "socket %d: connected", m_hSocket);
        watch(true, false);
    } else {
        qCDebug(lcSocket, "socket %d: connect failed: %s (error %d)", m_hSocket,
            WSocketErrorText(error).c_str(), error);
    }
    ChangeState(wsConnected);
    const TEventGuard guard = Guard();
    TriggerSessionConnected(error);
    // A failed connect is closed below unless the handler freed the socket
    // (when it closed it, there is nothing left to close).
    if (!guard.Alive())
        return;
    if (error != 0 && m_state != wsClosed)
        Close();
}

// ---- listen, accept, adopt ----------------------------------------------------

void TCustomWSocket::Listen()
{
    const char* missing = !m_portAssigned ? "listen: port not assigned"
        : !m_protoAssigned                ? "listen: protocol not assigned"
        : !m_addrAssigned                 ? "listen: address not assigned"
                                          : nullptr;
    if (missing != nullptr) {
        m_lastError = SocketErrors::InvalidArgument;
        RaiseException(missing);
        return;
    }
    try {
        resolveAll(true);
    } catch (const ESocketException& e) {
        RaiseException(std::string("listen: ") + e.what());
        return;
    }
    TSocket fd = INVALID_SOCKET;
    if (const int rc = SocketEngine::create(m_datagram, m_protoNum, fd); rc != 0) {
        SocketError("socket", rc);
        return;
    }
    attachHandle(fd);
    if (!m_datagram) {
        // A restarted listener may take its port back while old connections
        // of the port linger in TIME_WAIT.
        SocketEngine::setBoolOption(fd, SO_REUSEADDR, true);
    }
    if (const int rc = SocketEngine::bind(fd, m_sinAddr, m_sinPort); rc != 0) {
        closeHandle();
        SocketError("Bind", rc);
        return;
    }
    ChangeState(wsBound);
    if (!m_datagram) {
        if (const int rc = SocketEngine::listen(fd, 5); rc != 0) {
            SocketError("Listen", rc);
            return;
        }
        ChangeState(wsListening);
        watch(true, false);
        return;
    }
    ChangeState(wsListening);
    ChangeState(wsConnected);
    watch(true, false);
    TriggerSessionConnected(0);
}

TSocket TCustomWSocket::Accept()
{
    if (m_state != wsListening) {
        m_lastError = SocketErrors::InvalidArgument;
        RaiseException("not a listening socket");
        return INVALID_SOCKET;
    }
    ResumeDataReports();
    TSocket fd = INVALID_SOCKET;
    if (const int rc = SocketEngine::accept(m_hSocket, fd); rc != 0) {
        SocketError("Accept", rc);
        return INVALID_SOCKET;
    }
    return fd;
}

void TCustomWSocket::Dup(TSocket newHSocket)
{
    if (newHSocket == INVALID_SOCKET || newHSocket == 0) {
        SocketError("Dup", SocketErrors::InvalidArgument);
        return;
    }
    if (const int rc = closeHandle(); rc != 0) {
        SocketError("Dup (closesocket)", rc);
        return;
    }
    if (const int rc = SocketEngine::setNonBlocking(newHSocket); rc != 0) {
        // Not an open descriptor: nothing to adopt.
        SocketError("Dup", rc);
        return;
    }
    attachHandle(newHSocket);
    m_closeReported = false;
    if (!applyLinger())
        return;
    // Like a fresh connect: readable data and one writability report.
    watch(true, true);
    ChangeState(wsConnected);
}

// ---- closing ------------------------------------------------------------------

void TCustomWSocket::Close()
{
    InternalClose(true, 0);
}

void TCustomWSocket::Abort()
{
    CancelDnsLookup();
    deleteBufferedData();
    m_lingerOnOff = wsLingerOff;
    if (m_hSocket != INVALID_SOCKET) {
        try {
            applyLinger();
        } catch (const ESocketException&) {
            // Abort closes regardless.
        }
    }
    InternalClose(false, 0);
}

void TCustomWSocket::Shutdown(int how)
{
    if (m_hSocket == INVALID_SOCKET)
        return;
    const int rc = SocketEngine::shutdown(m_hSocket, how);
    if (rc == 0 && (how == SHUT_RD || how == SHUT_RDWR)) {
        m_p->readShut = true;
        updateNotifiers();
    }
}

void TCustomWSocket::InternalClose(bool shut, int error)
{
    if (m_hSocket == INVALID_SOCKET) {
        if (m_state != wsClosed) {
            ChangeState(wsClosed);
            AssignDefaultValue();
        }
        return;
    }
    if (m_state == wsClosed)
        return;
    qCDebug(lcSocket, "socket %d: closing%s", m_hSocket, shut ? "" : " at once");
    if (shut)
        SocketEngine::shutdown(m_hSocket, SHUT_WR);
    // A POSIX close never asks to be retried; it finishes or fails once.
    if (const int rc = closeHandle(); rc != 0 && rc != SocketErrors::NotInitialised) {
        SocketError("Disconnect (closesocket)", rc);
        return;
    }
    ChangeState(wsClosed);
    if (!m_destroying && !m_closeReported) {
        m_closeReported = true;
        // Freed, or the handler opened the next connection (a retry, say):
        // restoring the defaults now would drop its handle and settings.
        if (!TriggerSessionClosed(error))
            return;
    }
    try {
        AssignDefaultValue();
    } catch (...) {
        // Restoring the defaults never stops a close.
    }
}

// ---- state and addresses ------------------------------------------------------

void TCustomWSocket::Pause()
{
    m_paused = true;
    updateNotifiers();
}

void TCustomWSocket::Resume()
{
    m_paused = false;
    updateNotifiers();
}

std::string TCustomWSocket::GetPeerAddr()
{
    // A datagram socket sends to whom it is told and hears from anyone: it has
    // no peer, and the platform's "not connected" must not close it.
    if (m_state != wsConnected || m_hSocket == INVALID_SOCKET || m_datagram)
        return "error";
    std::uint32_t addr = 0;
    std::uint16_t port = 0;
    if (const int rc = SocketEngine::peerName(m_hSocket, addr, port); rc != 0) {
        SocketError("GetPeerName", rc);
        return "error";
    }
    return SocketEngine::toDotted(addr);
}

std::string TCustomWSocket::GetLocalPort()
{
    if (m_hSocket == INVALID_SOCKET
        || (m_state != wsBound && m_state != wsConnected && m_state != wsListening))
        return "error";
    std::uint32_t addr = 0;
    std::uint16_t port = 0;
    if (SocketEngine::localName(m_hSocket, addr, port) != 0)
        return "error";
    return std::to_string(port);
}
