#include "net/socket/SocksWSocket.h"

#include "net/socket/SocksProtocol.h"
#include "platform/TextSearch.h"

#include <string_view>

namespace {

// The two-byte replies are read with whatever came with them, up to this much.
constexpr int ReplyBuffer = 128;
// The longest connect reply: a 255-byte name.
constexpr int LongestReply = 4 + 1 + 255 + 2;

} // namespace

// ---- properties -----------------------------------------------------------------

void TCustomSocksWSocket::SetSocksServer(const std::string& value)
{
    if (State() != wsClosed) {
        RaiseException("Can't change socks server if not closed");
        return;
    }
    m_socksServer = TrimProperty(value);
}

void TCustomSocksWSocket::SetSocksPort(const std::string& value)
{
    if (State() != wsClosed) {
        RaiseException("Can't change socks port if not closed");
        return;
    }
    m_socksPort = TrimProperty(value);
}

void TCustomSocksWSocket::AssignDefaultValue()
{
    TCustomWSocket::AssignDefaultValue();
    m_socksServer.clear();
    m_socksPort.clear();
    m_phase = TPhase::Off;
    m_reply.clear();
}

// ---- connecting -----------------------------------------------------------------

void TCustomSocksWSocket::Connect()
{
    // A socket in use is refused by the ordinary connect before anything changes.
    if (m_socksServer.empty() || (HSocket() != INVALID_SOCKET && State() != wsClosed)) {
        TCustomWSocket::Connect();
        return;
    }
    if (!EqualNoCase(Proto(), "tcp")) {
        RaiseException("tcp is the only protocol supported thru socks server");
        return;
    }
    try {
        const std::uint16_t proxyPort = WSocketResolvePort(m_socksPort, "tcp");
        const std::uint32_t proxyAddr = WSocketResolveHost(m_socksServer);
        m_destPort = WSocketResolvePort(Port(), "tcp");
        SetResolvedEndpoint(proxyAddr, proxyPort);
    } catch (const ESocketException& e) {
        RaiseException(std::string("connect: ") + e.what());
        return;
    }
    m_phase = TPhase::ProxyConnect;
    m_reply.clear();
    m_boundAddr.clear();
    m_boundPort.clear();
    TCustomWSocket::Connect();
}

void TCustomSocksWSocket::Listen()
{
    if (!m_socksServer.empty()) {
        RaiseException("listening is not supported thru socks server");
        return;
    }
    TCustomWSocket::Listen();
}

bool TCustomSocksWSocket::TriggerSessionConnected(int error)
{
    if (m_phase != TPhase::ProxyConnect)
        return TCustomWSocket::TriggerSessionConnected(error);
    if (!Raise(OnSocksConnected, this, EventCode(error)))
        return false;
    if (error != 0) {
        m_phase = TPhase::Off;
        return TCustomWSocket::TriggerSessionConnected(error);
    }
    m_phase = TPhase::MethodReply;
    m_reply.clear();
    const TEventGuard guard = Guard();
    SendStr(SocksMethodRequest(m_socksAuthentication == socksAuthenticateUsercode));
    return guard.GoOn();
}

// ---- the negotiation ------------------------------------------------------------

bool TCustomSocksWSocket::TriggerDataAvailable(int error)
{
    if (m_phase == TPhase::Off || m_phase == TPhase::ProxyConnect)
        return TCustomWSocket::TriggerDataAvailable(error);
    if (error != 0)
        socksError(error, "data receive error");
    else
        readReply();
    return true;
}

bool TCustomSocksWSocket::TriggerDataSent(int error)
{
    // What was sent so far is the negotiation's, not the owner's.
    return m_phase != TPhase::Off || TCustomWSocket::TriggerDataSent(error);
}

void TCustomSocksWSocket::readReply()
{
    const auto parse = [this](std::string_view bytes) {
        switch (m_phase) {
        case TPhase::MethodReply:
            return ParseSocksMethodReply(bytes);
        case TPhase::AuthReply:
            return ParseSocksAuthReply(bytes);
        default:
            return ParseSocksConnectReply(bytes);
        }
    };
    // A two-byte reply is read with whatever came with it: the proxy sends
    // nothing more before the next request, so more is an error. The connect
    // reply is read no further than it can reach, as what follows it is the
    // destination's and stays in the socket for the owner's Receive.
    const int limit
        = m_phase == TPhase::ConnectReply ? static_cast<int>(parse(m_reply).Needed) : ReplyBuffer;
    char buffer[LongestReply];
    const int got = ReceiveBytes(buffer, limit - static_cast<int>(m_reply.size()));
    if (got < 0) {
        if (LastError() != SocketErrors::WouldBlock)
            socksError(LastError(), "data receive error");
        return;
    }
    if (got == 0)
        return; // the proxy closed; the close is reported next
    m_reply.append(buffer, static_cast<size_t>(got));
    const TSocksReply reply = parse(m_reply);
    if (reply.Status == TSocksReplyStatus::Failed)
        socksError(reply.Error, reply.ErrorText);
    else if (reply.Status == TSocksReplyStatus::Done)
        replyDone(reply);
}

void TCustomSocksWSocket::replyDone(const TSocksReply& reply)
{
    m_reply.clear();
    switch (m_phase) {
    case TPhase::MethodReply:
        if (reply.Method != 0) {
            sendAuthRequest();
            return;
        }
        if (m_socksAuthentication == socksAuthenticateUsercode && !authState(socksAuthNotRequired))
            return;
        sendConnectRequest();
        return;
    case TPhase::AuthReply:
        // Past the authentication: a close from the handler is no failure of it.
        m_phase = TPhase::ConnectReply;
        if (authState(socksAuthSuccess))
            sendConnectRequest();
        return;
    default:
        m_boundAddr = reply.BoundAddr;
        m_boundPort = reply.BoundPort;
        m_phase = TPhase::Off;
        // Through the layers above: a TLS layer begins its handshake now.
        TriggerSessionConnected(0);
        return;
    }
}

void TCustomSocksWSocket::sendAuthRequest()
{
    if (!authState(socksAuthStart))
        return;
    m_phase = TPhase::AuthReply;
    const auto request = SocksAuthRequest(m_socksUsercode, m_socksPassword);
    if (!request) {
        socksError(SocksErrors::InternalError, SocksErrorText(SocksErrors::InternalError));
        return;
    }
    SendStr(*request);
}

void TCustomSocksWSocket::sendConnectRequest()
{
    m_phase = TPhase::ConnectReply;
    // The name goes unresolved: the proxy may know names this host does not.
    const auto request = SocksConnectRequest(Addr(), m_destPort);
    if (!request) {
        socksError(SocksErrors::InternalError, SocksErrorText(SocksErrors::InternalError));
        return;
    }
    SendStr(*request);
}

bool TCustomSocksWSocket::authState(TSocksAuthState state)
{
    return Raise(OnSocksAuthState, this, state);
}

void TCustomSocksWSocket::socksError(int code, const std::string& text)
{
    const bool authenticating = m_phase == TPhase::AuthReply;
    m_phase = TPhase::Off;
    if (authenticating && !authState(socksAuthFailure))
        return;
    if (!Raise(OnSocksError, this, code, text))
        return;
    if (!TriggerSessionConnected(code))
        return;
    InternalClose(true, code);
}

// ---- closing --------------------------------------------------------------------

bool TCustomSocksWSocket::TriggerSessionClosed(int error)
{
    const bool authenticating = m_phase == TPhase::AuthReply;
    m_phase = TPhase::Off;
    const TEventGuard guard = Guard();
    // The close is reported also when the failure's handler closed the
    // socket itself; only a freed socket reports nothing more.
    if (authenticating) {
        authState(socksAuthFailure);
        if (!guard.Alive())
            return false;
    }
    return TCustomWSocket::TriggerSessionClosed(error) && guard.GoOn();
}
