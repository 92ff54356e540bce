// TCustomTlsWSocket: the CONNECT tunnel and the TLS client layer.
//
// The layer holds the connection for itself from the moment the transport is
// up until the handshake is over, and afterwards stands between the owner and
// the transport: every received byte goes through the engine, and the owner
// sees only decrypted bytes. It keeps the socket's invariants (WSocket.cpp):
// every event goes out through Raise or a Trigger function, and after one the
// layer touches nothing unless its guard allows.
//
// Decrypted bytes wait in the engine, where the platform cannot announce
// them, so the layer raises the owner's data reports itself, again and again
// while the owner takes bytes. An owner that leaves them waiting rests the
// reports (the transport is not read meanwhile, so nothing piles up) until it
// reads or asks for them again. The transport's end is reported only after
// the owner has every decrypted byte: a close that comes earlier waits.
#include "net/socket/TlsWSocket.h"

#include "net/socket/TunnelReply.h"
#include "net/socket/WSocketPrivate.h"
#include "platform/TextSearch.h"

#include <algorithm>
#include <climits>
#include <string_view>

namespace {

// Bytes taken from the transport per pass of the receive loop: two full TLS
// records, so one pass usually hands the owner a whole record or more.
constexpr int TransportBlock = 2 * (16384 + 512);

} // namespace

TCustomTlsWSocket::TCustomTlsWSocket() = default;

TCustomTlsWSocket::~TCustomTlsWSocket() = default;

// ---- properties -----------------------------------------------------------------

void TCustomTlsWSocket::SetTlsContext(const TTlsContext* value)
{
    if (State() != wsClosed) {
        RaiseException("Can't change TLS settings if not closed");
        return;
    }
    m_tlsContext = value;
}

void TCustomTlsWSocket::SetTlsHost(const std::string& value)
{
    if (State() != wsClosed) {
        RaiseException("Can't change TLS host if not closed");
        return;
    }
    m_tlsHost = TrimProperty(value);
}

void TCustomTlsWSocket::SetTlsTunnel(const std::string& value)
{
    if (State() != wsClosed) {
        RaiseException("Can't change TLS tunnel if not closed");
        return;
    }
    m_tlsTunnel = value;
}

void TCustomTlsWSocket::AssignDefaultValue()
{
    TCustomSocksWSocket::AssignDefaultValue();
    dropEngine();
    m_tlsContext = nullptr;
    m_tlsHost.clear();
    m_tlsTunnel.clear();
}

void TCustomTlsWSocket::dropEngine()
{
    if (m_engine && m_tlsContext != nullptr) {
        // Empty after a failure, or when the server offers no resumption.
        TTlsSession session = m_engine->Session();
        if (!session.Empty()) {
            m_session = std::move(session);
            m_sessionContext = m_tlsContext;
            m_sessionCaFile = m_tlsContext->CaFile();
        }
    }
    m_engine.reset();
    m_phase = TPhase::Off;
    m_reply.clear();
    m_resting = false;
    m_endPending = false;
    m_endError = 0;
    m_ownerSent = false;
}

// ---- connecting -----------------------------------------------------------------

void TCustomTlsWSocket::Connect()
{
    // A socket in use is refused by the ordinary connect before anything changes.
    if (HSocket() != INVALID_SOCKET && State() != wsClosed) {
        TCustomSocksWSocket::Connect();
        return;
    }
    dropEngine();
    m_tlsState = TTlsState::Handshaking;
    m_tlsError.clear();
    m_tlsResumed = false;
    if (m_tlsContext != nullptr) {
        if (!EqualNoCase(Proto(), "tcp")) {
            RaiseException("tcp is the only protocol supported with TLS");
            return;
        }
        if (m_tlsHost.empty()) {
            RaiseException("Connect: no host name for TLS");
            return;
        }
    }
    TCustomSocksWSocket::Connect();
}

void TCustomTlsWSocket::Listen()
{
    if (m_tlsContext != nullptr) {
        RaiseException("listening is not supported with TLS");
        return;
    }
    TCustomSocksWSocket::Listen();
}

bool TCustomTlsWSocket::TriggerSessionConnected(int error)
{
    if (m_tlsContext == nullptr || secure() || error != 0 || SocksNegotiating())
        return TCustomSocksWSocket::TriggerSessionConnected(error);
    // The transport is up, directly or through the SOCKS proxy; the owner
    // hears of the connection once it is secure.
    if (m_tlsTunnel.empty())
        return startHandshake({});
    m_phase = TPhase::Tunnel;
    m_reply.clear();
    const TEventGuard guard = Guard();
    TCustomWSocket::Send(m_tlsTunnel.data(), static_cast<int>(m_tlsTunnel.size()));
    return guard.GoOn();
}

bool TCustomTlsWSocket::readTunnelReply()
{
    // The answer is read no further than its bound, so a proxy that talks on
    // is refused rather than buffered without end.
    char buffer[1024];
    const std::size_t room = std::min(sizeof buffer, MaxTunnelReplyHead - m_reply.size());
    const int got = ReceiveBytes(buffer, static_cast<int>(room));
    if (got < 0) {
        if (LastError() == SocketErrors::WouldBlock)
            return true;
        return failOpening(TlsErrors::TunnelFailed, "proxy: " + WSocketErrorText(LastError()));
    }
    if (got == 0)
        return failOpening(
            TlsErrors::TunnelFailed, "proxy: connection closed before the tunnel opened");
    m_reply.append(buffer, static_cast<std::size_t>(got));
    const TTunnelReply reply = ParseTunnelReply(m_reply);
    switch (reply.Status) {
    case TTunnelReplyStatus::Incomplete:
        return true;
    case TTunnelReplyStatus::Refused:
        return failOpening(TlsErrors::TunnelFailed, reply.ErrorText);
    case TTunnelReplyStatus::Open:
        break;
    }
    const std::string early = m_reply.substr(reply.Used);
    m_reply.clear();
    return startHandshake(early);
}

bool TCustomTlsWSocket::startHandshake(std::string_view early)
{
    // The previous connection's session is offered when it was made with the
    // same trust; the engine offers it only to the host it was made with.
    const bool sameTrust
        = m_sessionContext == m_tlsContext && m_sessionCaFile == m_tlsContext->CaFile();
    try {
        m_engine = std::make_unique<TTlsEngine>(
            *m_tlsContext, m_tlsHost, sameTrust ? m_session : TTlsSession());
    } catch (const ETlsError& e) {
        return failOpening(TlsErrors::HandshakeFailed, e.what());
    }
    m_phase = TPhase::Handshake;
    m_engine->Start();
    if (!early.empty())
        m_engine->Feed(early);
    return advance();
}

bool TCustomTlsWSocket::failOpening(int code, const std::string& reason)
{
    qCDebug(lcSocket, "socket %d: %s", HSocket(), reason.c_str());
    m_phase = TPhase::Off;
    m_tlsState = TTlsState::Failed;
    m_tlsError = reason;
    if (!TCustomSocksWSocket::TriggerSessionConnected(code))
        return false;
    InternalClose(true, code);
    return false;
}

// ---- receiving ------------------------------------------------------------------

bool TCustomTlsWSocket::TriggerDataAvailable(int error)
{
    if (!secure())
        return TCustomSocksWSocket::TriggerDataAvailable(error);
    if (m_phase == TPhase::Tunnel) {
        readTunnelReply();
        return true;
    }
    // Bytes the owner left go first; the transport is read only once they
    // are taken.
    if (deliver() && m_engine->Available() == 0)
        readTransport();
    return true;
}

bool TCustomTlsWSocket::readTransport()
{
    char block[TransportBlock];
    // Every call counts as a read, so the receive loop goes on while the
    // transport holds bytes, and sees the end when it reads none.
    const int got = ReceiveBytes(block, sizeof block);
    if (got < 0)
        return true; // nothing yet, or a failure the close report carries
    if (got == 0)
        m_engine->FeedEnd();
    else
        m_engine->Feed(std::string_view(block, static_cast<std::size_t>(got)));
    return advance();
}

bool TCustomTlsWSocket::advance()
{
    const TTlsState state = m_engine->State();
    if (m_phase == TPhase::Handshake && state != TTlsState::Handshaking
        && state != TTlsState::Failed) {
        // The handshake's last flight waits for what the owner sends once
        // told, so both leave in one segment: sent apart, the second would
        // wait for the server's delayed acknowledgement of the first.
        m_phase = TPhase::Open;
        m_tlsState = TTlsState::Open;
        m_tlsResumed = m_engine->Resumed();
        qCDebug(lcSocket, "socket %d: TLS open with %s%s", HSocket(), m_tlsHost.c_str(),
            m_tlsResumed ? ", session resumed" : "");
        if (!TCustomSocksWSocket::TriggerSessionConnected(0))
            return false;
    }
    // Otherwise the output goes first: an alert ends a failed handshake, and
    // the next flight must be out before the server can answer.
    if (!flushOutput())
        return false;
    if (m_phase == TPhase::Handshake) {
        if (m_engine->State() == TTlsState::Failed)
            return failOpening(TlsErrors::HandshakeFailed, m_engine->Error());
        return true;
    }
    return deliver();
}

bool TCustomTlsWSocket::deliver()
{
    const TEventGuard guard = Guard();
    while (m_phase == TPhase::Open && m_engine->Available() > 0 && !m_resting) {
        const unsigned readsBefore = m_ownerReads;
        bool taken = false;
        try {
            taken = TCustomSocksWSocket::TriggerDataAvailable(0);
        } catch (...) {
            // The handler's failure ends this report only: what it left is
            // reported again from the event loop, as the transport would.
            if (guard.GoOn())
                PostDataReport();
            throw;
        }
        if (!taken) {
            // Nobody takes them: dropped, as the socket drops unread bytes.
            char discard[4096];
            while (m_engine->Read(discard, sizeof discard) > 0) { }
            break;
        }
        if (!guard.GoOn())
            return false;
        if (m_ownerReads == readsBefore)
            m_resting = true;
    }
    return endWhenDelivered();
}

bool TCustomTlsWSocket::endWhenDelivered()
{
    if (m_phase != TPhase::Open || m_engine->Available() > 0)
        return true;
    if (m_endPending) {
        m_endPending = false;
        PostCloseReport(m_endError);
        return true;
    }
    switch (m_engine->State()) {
    case TTlsState::Closed:
        // The server ended TLS properly: nothing more will come, whether or
        // not it closes the transport too.
        Close();
        return false;
    case TTlsState::Failed:
        InternalClose(true, TlsErrors::ConnectionFailed);
        return false;
    default:
        // A transport cut without close_notify is closed by its own report.
        return true;
    }
}

int TCustomTlsWSocket::Receive(void* buffer, int len)
{
    if (!secure())
        return TCustomSocksWSocket::Receive(buffer, len);
    if (len <= 0)
        return 0;
    const std::size_t got = m_phase == TPhase::Open
        ? m_engine->Read(static_cast<char*>(buffer), static_cast<std::size_t>(len))
        : 0;
    if (got == 0) {
        const bool ended = m_phase == TPhase::Open && m_engine->State() != TTlsState::Open;
        if (ended)
            return 0;
        SetLastError(SocketErrors::WouldBlock);
        return -1;
    }
    ++m_ownerReads;
    CountRead(static_cast<int>(got));
    if (m_resting)
        ResumeDataReports();
    return static_cast<int>(got);
}

int TCustomTlsWSocket::RcvdCount()
{
    if (!secure())
        return TCustomSocksWSocket::RcvdCount();
    if (m_phase != TPhase::Open)
        return 0;
    return static_cast<int>(std::min<std::size_t>(m_engine->Available(), INT_MAX));
}

void TCustomTlsWSocket::ResumeDataReports()
{
    TCustomSocksWSocket::ResumeDataReports();
    if (!m_resting)
        return;
    m_resting = false;
    if (m_phase == TPhase::Open && (m_engine->Available() > 0 || m_endPending))
        PostDataReport();
}

// ---- sending --------------------------------------------------------------------

int TCustomTlsWSocket::Send(const void* data, int len)
{
    if (!secure())
        return TCustomSocksWSocket::Send(data, len);
    if (m_phase != TPhase::Open) {
        RaiseException("Send: the secure connection is not open yet");
        return -1;
    }
    if (len <= 0)
        return 0;
    if (!m_engine->Write(
            std::string_view(static_cast<const char*>(data), static_cast<std::size_t>(len)))) {
        SetLastError(SocketErrors::NotConnected);
        RaiseException("Send: the secure connection has ended");
        return -1;
    }
    m_ownerSent = true;
    flushOutput();
    return len;
}

bool TCustomTlsWSocket::flushOutput()
{
    const std::string out = m_engine->TakeOutput();
    if (out.empty())
        return true;
    const TEventGuard guard = Guard();
    TCustomWSocket::Send(out.data(), static_cast<int>(out.size()));
    return guard.GoOn();
}

bool TCustomTlsWSocket::TriggerDataSent(int error)
{
    if (!secure())
        return TCustomSocksWSocket::TriggerDataSent(error);
    if (!m_ownerSent)
        return true;
    m_ownerSent = false;
    return TCustomSocksWSocket::TriggerDataSent(error);
}

// ---- closing --------------------------------------------------------------------

void TCustomTlsWSocket::Do_FD_CLOSE(int error)
{
    if (m_phase == TPhase::Open && m_engine->Available() > 0) {
        m_endPending = true;
        m_endError = error;
        return;
    }
    TCustomSocksWSocket::Do_FD_CLOSE(error);
}

bool TCustomTlsWSocket::TriggerSessionClosed(int error)
{
    switch (m_phase) {
    case TPhase::Off:
        break;
    case TPhase::Tunnel:
        m_tlsState = TTlsState::Failed;
        m_tlsError = "proxy: connection closed before the tunnel opened";
        break;
    case TPhase::Handshake:
        m_tlsState = TTlsState::Failed;
        m_tlsError = "TLS: connection closed during the handshake";
        break;
    case TPhase::Open:
        m_tlsState = m_engine->State();
        if (m_tlsState == TTlsState::Failed)
            m_tlsError = m_engine->Error();
        break;
    }
    return TCustomSocksWSocket::TriggerSessionClosed(error);
}
