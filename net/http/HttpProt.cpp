// THttpCli: starting a request, connecting, sending, ending, and its bounds.
//
// Invariants a change must keep:
// - A handler may do anything: pump the event loop, Abort, start the next
//   request once the client is ready (also from a pump inside a handler of
//   the request that is ending), or destroy the client.
// - Every event goes out through Raise, and SetState raises OnStateChange the
//   same way; both answer whether the request may go on (the client alive,
//   the same request, not ended at once), and so do SendRequest, EnterBody
//   and DeliverBody. After such a call, and after any socket call, nothing of
//   the request is touched unless that answer, or a guard taken before, says
//   so: GoOn to carry the request on, Same for a step that also ends an
//   aborted request (emptying the buffer, the deferred end), Alive for the
//   client's own bookkeeping.
// - Exceptions never cross the event loop: every socket event and posted
//   notification runs inside Guarded or AbortOnError, which keep the first
//   one for WaitForRequest.
// - Deferred notifications: the ready state (and with it OnRequestDone), the
//   connection of a relocation's target and the use of a kept connection are
//   posted, so they run from the event loop after the handler that led to
//   them (OnDocEnd, OnLocationChange) has returned, and are dropped with the
//   client. A data report, the peer's close or an Abort that comes while a
//   received block is being handled (a handler pumping events) takes effect
//   once that block is done (TRequest::InReceive).
// - A kept connection (m_kept) belongs to no request: while it is set, a
//   close on the socket is that connection's and only forgets it, and bytes
//   on it, which nobody asked for, close it.
#include "net/http/HttpProt.h"

#include "net/http/HttpLog.h"
#include "net/http/HttpRequestHeader.h"
#include "net/socket/SocketErrors.h"
#include "net/socket/WSocket.h"

#include <QAbstractEventDispatcher>
#include <QObject>
#include <QTimer>

#include <istream>
#include <stdexcept>

namespace {

// A POST body is read and sent one block of this size per all-sent report of
// the socket, so a large stream is never held whole; the block is as large as
// the receive buffer with its terminator.
constexpr int SendBlockSize = 8193;

} // namespace

// Off unless QT_LOGGING_RULES asks for "skelvo.http.debug=true".
Q_LOGGING_CATEGORY(lcHttp, "skelvo.http", QtInfoMsg)

THttpCli::THttpCli()
    : TEventRaiser(&m_requestSerial, &m_req.Aborted)
    , m_socket(std::make_unique<TWSocket>())
    , m_poster(std::make_unique<QObject>())
    , m_timer(std::make_unique<QTimer>())
    , m_sendBlock(SendBlockSize)
{
    m_timer->setSingleShot(true);
    QObject::connect(
        m_timer.get(), &QTimer::timeout, [this] { Guarded([this] { TimerFired(); }); });
    // The socket's receive loop drops what the data handler raises; every
    // other socket event arrives straight from the event loop and is guarded.
    m_socket->OnDnsLookupDone = [this](TCustomWSocket*, std::uint16_t error) {
        AbortOnError([&] { SocketDnsLookupDone(error); });
    };
    m_socket->OnSessionConnected = [this](TCustomWSocket*, std::uint16_t error) {
        Guarded([&] { SocketSessionConnected(error); });
    };
    m_socket->OnDataAvailable = [this](TCustomWSocket*, std::uint16_t) { SocketDataAvailable(); };
    m_socket->OnDataSent
        = [this](TCustomWSocket*, std::uint16_t) { AbortOnError([&] { SocketDataSent(); }); };
    m_socket->OnSessionClosed
        = [this](TCustomWSocket*, std::uint16_t) { Guarded([&] { SocketSessionClosed(); }); };
    // A failed negotiation reports its code to OnSessionConnected next; its text comes here.
    m_socket->OnSocksError
        = [this](TCustomWSocket*, int, const std::string& text) { m_req.SocksError = text; };
}

THttpCli::~THttpCli()
{
    // The socket closes as it goes; nothing of that may reach this half-destroyed client.
    m_socket->OnDnsLookupDone = nullptr;
    m_socket->OnSessionConnected = nullptr;
    m_socket->OnDataAvailable = nullptr;
    m_socket->OnDataSent = nullptr;
    m_socket->OnSessionClosed = nullptr;
    m_socket->OnSocksError = nullptr;
    m_socket.reset();
}

void THttpCli::SetMultiThreaded(bool value)
{
    m_multiThreaded = value;
    m_socket->SetMultiThreaded(value);
}

void THttpCli::Get()
{
    DoRequestSync(httpGet);
}

void THttpCli::DoRequestSync(THttpRequest kind)
{
    // Without an event loop nothing would ever complete: refuse instead of spinning.
    if (!QAbstractEventDispatcher::instance())
        throw std::logic_error("THttpCli needs the thread's Qt event loop");
    DoRequestAsync(kind);
    WaitForRequest();
}

void THttpCli::WaitForRequest()
{
    if (!QAbstractEventDispatcher::instance())
        throw std::logic_error("THttpCli needs the thread's Qt event loop");
    // Wait until the request has ended and its done notification has run;
    // WaitForEvents sleeps while nothing is pending, so waiting costs no CPU.
    const TEventGuard guard = Guard();
    while (guard.Alive() && (m_state != httpReady || m_requestDonePending > 0))
        TCustomWSocket::WaitForEvents(1000);
    if (!guard.Alive())
        throw EHttpClientDestroyed();
    if (m_req.PendingError) {
        auto error = m_req.PendingError;
        m_req.PendingError = nullptr;
        std::rethrow_exception(error);
    }
}

void THttpCli::DoRequestAsync(THttpRequest kind)
{
    if (m_state != httpReady)
        throw EHttpException("HTTP component is busy", 1);
    if (kind == httpPost && !SendStream)
        throw EHttpException("HTTP component has nothing to post", 2);

    // Started from a handler inside the block handling of the request that
    // ended: that handling stops at once and leaves this request alone.
    ++m_requestSerial;
    m_req = TRequest {};
    m_req.Kind = kind;
    m_req.Ended = false;
    m_req.Location = URL;
    const TEventGuard guard = Guard();
    try {
        if (SetState(httpNotConnected))
            StartRequest();
    } catch (...) {
        if (!guard.Alive())
            throw EHttpClientDestroyed();
        // The lookup never started: the client is ready again before the
        // exception reaches the caller, which learns of the refusal from it.
        m_req.Ended = true;
        m_timer->stop();
        m_state = httpReady;
        try {
            Raise(OnStateChange, this);
        } catch (...) { }
        if (!guard.Alive())
            throw EHttpClientDestroyed();
        throw;
    }
    if (!guard.Alive())
        throw EHttpClientDestroyed();
}

void THttpCli::StartRequest()
{
    const THttpRequestPlan plan = PlanRequest(URL, Proxy, ProxyPort, Username, Password);
    m_req.Route = plan.Route;
    m_req.DocName = plan.DocName;
    Username = plan.Username;
    Password = plan.Password;

    m_req.KeepAliveSent = KeepAlive;

    m_req.RequestDeadline = Clock::now() + RequestTimeout;
    ArmTimer();
    // A kept connection is taken up from the event loop, as a new one would be.
    if (KeepAlive && m_kept && *m_kept == EndpointOf(m_req.Route)) {
        OpenRouteLater();
        return;
    }
    DropKept();
    StartLookup();
}

void THttpCli::OpenRoute()
{
    if (m_req.KeepAliveSent && m_kept && *m_kept == EndpointOf(m_req.Route)
        && m_socket->State() == wsConnected) {
        qCDebug(lcHttp, "request over the connection kept open");
        m_req.Endpoint = *m_kept;
        m_kept.reset();
        m_req.OnKept = true;
        m_req.ResponseBytes = false;
        SessionUp(false);
        return;
    }
    DropKept();
    StartLookup();
}

void THttpCli::OpenRouteLater()
{
    Post([this, serial = m_requestSerial] {
        if (serial != m_requestSerial || m_req.Ended || m_req.Aborted)
            return;
        const TEventGuard guard = Guard();
        try {
            OpenRoute();
        } catch (const std::exception& e) {
            // A target the socket refuses to look up (no host name) ends the
            // request like a failed lookup instead of raising out of Get.
            if (!guard.GoOn())
                return;
            Fail(e.what());
            EndOfRequest();
        }
    });
}

THttpCli::TEndpoint THttpCli::EndpointOf(const THttpRoute& route) const
{
    TEndpoint endpoint;
    endpoint.Host = route.ConnectHost;
    endpoint.Port = route.ConnectPort;
    if (route.Secure) {
        // TLS is made for the server, through a tunnel opened with the proxy's credentials.
        endpoint.SecureAuthority = TunnelAuthority(route);
        endpoint.Tls = TlsContext;
        if (!Proxy.empty()) {
            endpoint.TunnelUsername = ProxyUsername;
            endpoint.TunnelPassword = ProxyPassword;
        }
    }
    if (!SocksServer.empty()) {
        endpoint.SocksServer = SocksServer;
        endpoint.SocksPort = SocksPort;
        endpoint.SocksUsercode = SocksUsercode;
        endpoint.SocksPassword = SocksPassword;
    }
    return endpoint;
}

void THttpCli::DropKept()
{
    if (!m_kept)
        return;
    m_kept.reset();
    const TEventGuard guard = Guard();
    m_closingQuietly = true;
    m_socket->Close();
    if (guard.Alive())
        m_closingQuietly = false;
}

void THttpCli::DropConnection()
{
    DropKept();
}

void THttpCli::Abort()
{
    if (!m_req.Ended && !m_req.Aborted)
        EndAtOnce("Aborted");
}

bool THttpCli::SetState(THttpClientState state)
{
    if (m_state == state)
        return Guard().GoOn();
    m_state = state;
    if (state == httpReady) {
        ++m_requestDonePending;
        Post([this, kind = m_req.Kind, error = m_req.DoneError] {
            --m_requestDonePending;
            Raise(OnRequestDone, this, kind, error);
        });
    }
    return Raise(OnStateChange, this);
}

void THttpCli::Post(std::function<void()> fn)
{
    // Handled later by the event loop, in posting order; dropped with the client.
    QMetaObject::invokeMethod(
        m_poster.get(), [this, fn = std::move(fn)] { Guarded(fn); }, Qt::QueuedConnection);
}

void THttpCli::Guarded(const std::function<void()>& fn)
{
    // Exceptions must not cross Qt's event loop; the first one is kept and
    // raised out of the synchronous request once the client is ready again.
    const TEventGuard guard = Guard();
    try {
        fn();
    } catch (...) {
        if (guard.Alive() && !m_req.PendingError)
            m_req.PendingError = std::current_exception();
    }
}

void THttpCli::AbortOnError(const std::function<void()>& fn)
{
    // A handler raising in the middle of these steps leaves no event that
    // would carry the request on: end it at once instead of letting it hang.
    const TEventGuard guard = Guard();
    try {
        fn();
    } catch (const std::exception& e) {
        if (!guard.Alive())
            return;
        if (!m_req.PendingError)
            m_req.PendingError = std::current_exception();
        if (!m_req.Ended && !m_req.Aborted)
            Guarded([this, reason = std::string(e.what())] { EndAtOnce(reason); });
    }
}

void THttpCli::StartLookup()
{
    if (m_req.Route.Secure && TlsContext == nullptr) {
        // Asked for securely: never sent as plain HTTP, and not looked up either.
        FailSecure(httpsOff, "https is off");
        return;
    }
    // Through SOCKS only the proxy's own name is looked up here.
    if (SetState(httpDnsLookup))
        m_socket->DnsLookup(SocksServer.empty() ? m_req.Route.ConnectHost : SocksServer);
}

void THttpCli::Fail(const std::string& reason)
{
    m_req.StatusCode = 404;
    m_reasonPhrase = reason;
}

void THttpCli::FailSecure(THttpsOutcome outcome, const std::string& reason)
{
    qCDebug(lcHttp, "secure request failed: %s", reason.c_str());
    m_req.Https = outcome;
    Fail(reason);
    EndOfRequest();
}

bool THttpCli::ResponseWhole() const
{
    if (m_req.LineHandler != TLineHandler::Body)
        return false;
    const int status = m_req.StatusCode;
    if (m_req.Kind == httpHead || status == 204 || status == 304 || (status >= 100 && status < 200))
        return true;
    // Only bodies of the final response are delivered, so RcvdCount is this body's.
    return m_req.DeclaredLength >= 0 && m_req.RcvdCount >= m_req.DeclaredLength;
}

void THttpCli::EndAtOnce(const std::string& reason)
{
    // End like a failed connection: whatever the socket reports while it is
    // torn down (a cancelled lookup, the close) must not change the outcome.
    qCDebug(lcHttp, "request ended at once: %s", reason.c_str());
    const TEventGuard guard = Guard();
    Fail(reason);
    m_req.Aborted = true;
    m_req.ClosedLeadsToRelocation = false;
    m_socket->Abort();
    // Inside the handling of a received block the request ends once that
    // handling has unwound, so that nothing of the block follows OnDocEnd.
    if (guard.Alive() && !m_req.InReceive)
        EndOfRequest();
}

void THttpCli::SocketDnsLookupDone(std::uint16_t error)
{
    if (m_req.Ended || m_req.Aborted)
        return;
    if (error != 0) {
        if (m_state == httpAborting)
            return;
        Fail("can't resolve hostname to IP address");
        EndOfRequest();
        return;
    }
    const TEventGuard guard = Guard();
    if (!SetState(httpDnsLookupDone))
        return;
    try {
        if (SocksServer.empty())
            m_socket->SetAddr(m_socket->DnsResult());
        else
            PrepareSocks();
        if (m_req.Route.Secure)
            PrepareTls();
        m_socket->SetPort(m_req.Route.ConnectPort);
        m_socket->SetProto("tcp");
        m_req.Endpoint = EndpointOf(m_req.Route);
        m_req.OnKept = false;
        m_req.Connecting = true;
        m_req.ConnectDeadline = Clock::now() + ConnectTimeout;
        ArmTimer();
        m_socket->Connect();
    } catch (const std::exception& e) {
        // A platform failure leaves its code; a refusal of the socket's own
        // (a port or protocol its resolvers cannot convert) says why itself.
        const int code = m_socket->LastError();
        m_req.DoneError = static_cast<std::uint16_t>(code);
        Fail(code == 0 ? std::string(e.what())
                       : "can't connect: " + WSocketErrorText(code) + " (Error #"
                    + std::to_string(code) + ")");
        m_socket->Close();
        if (guard.Alive())
            EndOfRequest();
    }
}

void THttpCli::PrepareSocks()
{
    // The socket forgets its proxy at every close: it is set for each
    // connection, by the address just looked up, so that the socket never
    // resolves a name itself and blocks the thread.
    m_socket->SetSocksServer(m_socket->DnsResult());
    m_socket->SetSocksPort(SocksPort);
    m_socket->SetSocksUsercode(SocksUsercode);
    m_socket->SetSocksPassword(SocksPassword);
    m_socket->SetSocksAuthentication(
        SocksUsercode.empty() ? socksNoAuthentication : socksAuthenticateUsercode);
    m_socket->SetAddr(m_req.Route.ConnectHost);
}

void THttpCli::PrepareTls()
{
    // Set for each connection like the SOCKS settings: the socket forgets
    // them at every close. Through an HTTP proxy the server is reached inside
    // a tunnel, which carries the proxy's credentials; the request inside it
    // goes to the server and carries none.
    m_socket->SetTlsContext(TlsContext);
    m_socket->SetTlsHost(m_req.Route.TargetHost);
    m_socket->SetTlsTunnel(Proxy.empty() ? std::string()
                                         : BuildConnectRequest(TunnelAuthority(m_req.Route), Agent,
                                             ProxyUsername, ProxyPassword));
}

void THttpCli::SocketSessionConnected(std::uint16_t error)
{
    if (m_req.Ended || m_req.Aborted)
        return;
    m_req.Connecting = false;
    if (error != 0 && !m_socket->TlsError().empty()) {
        FailSecure(httpsFailed, m_socket->TlsError());
        return;
    }
    if (error != 0) {
        const std::string text
            = m_req.SocksError.empty() ? WSocketErrorText(error) : "socks: " + m_req.SocksError;
        Fail(text + " (Error #" + std::to_string(error) + ")");
        EndOfRequest();
        return;
    }
    SessionUp(true);
}

void THttpCli::SessionUp(bool raiseConnected)
{
    m_req.Connected = true;
    m_req.IdleDeadline = Clock::now() + IdleTimeout;
    ArmTimer();
    const TEventGuard guard = Guard();
    try {
        if (!SetState(httpConnected) || (raiseConnected && !Raise(OnSessionConnected, this)))
            return;
        m_req.LineHandler = TLineHandler::Header;
        if (!SetState(httpWaitingHeader))
            return;
        const char* method = m_req.Kind == httpPost ? "POST"
            : m_req.Kind == httpHead                ? "HEAD"
                                                    : "GET";
        // A kept connection the server has closed meanwhile may fail the send
        // at once: the request then goes again over a new one, not on here.
        if (!SendRequest(method) || !m_req.Connected || m_req.Kind != httpPost
            || !Raise(OnSendBegin, this))
            return;
        m_req.AllowedToSend = true;
        SendBodyBlock();
    } catch (...) {
        // A request that cannot be sent ends with its connection.
        if (!guard.GoOn() || ResendOnNewConnection())
            return;
        m_req.Connected = false;
        m_socket->Close();
        if (guard.Alive())
            EndOfRequest();
    }
}

bool THttpCli::ResendOnNewConnection()
{
    // Only what can be asked twice without harm: a POST's body may have gone.
    if (!m_req.OnKept || m_req.ResponseBytes || m_req.Resent || m_req.Aborted
        || m_req.Kind == httpPost)
        return false;
    qCDebug(lcHttp, "the kept connection closed before the response: sent again over a new one");
    m_req.Resent = true;
    m_req.OnKept = false;
    m_req.Connected = false;
    m_req.AllowedToSend = false;
    m_req.LineHandler = TLineHandler::Header;
    m_req.Rcv.Clear();
    m_req.HeaderLines = 0;
    m_req.HeadBytes = 0;
    if (m_socket->State() != wsClosed) {
        const TEventGuard guard = Guard();
        m_closingQuietly = true;
        m_socket->Close();
        if (!guard.Alive())
            return true;
        m_closingQuietly = false;
    }
    OpenRouteLater();
    return true;
}

bool THttpCli::SendRequest(const std::string& method)
{
    THttpRequestFields f;
    f.Method = method;
    f.RequestPath = m_req.Route.RequestPath;
    f.Sender = Sender;
    f.Reference = Reference;
    f.ContentTypePost = ContentTypePost;
    f.Agent = Agent;
    f.TargetHost = m_req.Route.TargetHost;
    f.NoCache = NoCache;
    f.ModifiedSince = ModifiedSince;
    f.Username = Username;
    f.Password = Password;
    // Inside a tunnel the request is the server's: no proxy credentials.
    f.Proxy = m_req.Route.Secure ? std::string() : Proxy;
    f.ProxyUsername = ProxyUsername;
    f.ProxyPassword = ProxyPassword;
    f.Cookie = Cookie;
    if (m_req.KeepAliveSent) {
        f.Version = "1.1";
        f.KeepAlive = true;
    }
    if (method == "POST" && SendStream) {
        // The whole stream's size, whatever its current position.
        const auto pos = SendStream->tellg();
        SendStream->seekg(0, std::ios::end);
        const auto end = SendStream->tellg();
        SendStream->clear();
        SendStream->seekg(pos);
        f.PostSize = end < 0 ? 0 : static_cast<std::int64_t>(end);
    }

    if (!Raise(OnRequestHeaderBegin, this))
        return false;
    std::string head;
    const auto addLine = [&](const std::string& line) {
        if (!Raise(OnCommand, this, line))
            return false;
        head += line;
        head += "\r\n";
        return true;
    };
    const std::vector<std::string> lines = BuildRequestLines(f);
    qCDebug(lcHttp, "request: %s", lines.front().c_str());
    for (const auto& line : lines)
        if (!addLine(line))
            return false;
    if (!Raise(OnRequestHeaderEnd, this) || !addLine(""))
        return false;
    const TEventGuard guard = Guard();
    m_socket->Send(head.data(), static_cast<int>(head.size()));
    return guard.GoOn();
}

void THttpCli::SendBodyBlock()
{
    // One block per all-sent report, so a large body is never held whole.
    if (!m_req.AllowedToSend || !SendStream)
        return;
    SendStream->read(m_sendBlock.data(), SendBlockSize);
    const auto count = static_cast<int>(SendStream->gcount());
    if (count > 0) {
        m_req.SentCount += count;
        if (Raise(OnSendData, this, m_sendBlock.data(), count))
            m_socket->Send(m_sendBlock.data(), count);
    } else {
        m_req.AllowedToSend = false;
        Raise(OnSendEnd, this);
    }
}

void THttpCli::SocketDataSent()
{
    if (m_req.Ended || m_req.Aborted || !m_req.Connected)
        return;
    SendBodyBlock();
}

void THttpCli::CloseConnection()
{
    const TEventGuard guard = Guard();
    m_clientClosing = true;
    const TScopeExit closing([&] {
        if (guard.Alive())
            m_clientClosing = false;
    });
    m_socket->Close();
}

void THttpCli::SocketSessionClosed()
{
    if (m_closingQuietly)
        return;
    if (m_kept) {
        qCDebug(lcHttp, "the connection kept open was closed by the server");
        m_kept.reset();
        return;
    }
    if (m_req.Ended)
        return;
    if (m_req.InReceive && !m_clientClosing) {
        // The peer's close, seen while a handler pumps events in the middle of
        // a block: the request ends once that block has been handled.
        m_req.CloseDeferred = true;
        return;
    }
    // The server ended a kept connection while the request was on its way.
    if (!m_clientClosing && ResendOnNewConnection())
        return;
    if (m_req.ClosedLeadsToRelocation) {
        RelocationStep();
        return;
    }
    // A close before the session came up is a SOCKS proxy's in the middle of
    // its negotiation, or comes before the secure connection was open: the
    // connection failed.
    if (m_req.Connecting && !m_req.Aborted && !m_socket->TlsError().empty()) {
        FailSecure(httpsFailed, m_socket->TlsError());
        return;
    }
    if (m_req.Connecting && !m_req.Aborted && !SocksServer.empty()) {
        Fail("socks: connection closed by the proxy");
        EndOfRequest();
        return;
    }
    // The server's own end of a secure response: a cut without close_notify,
    // or a TLS failure, leaves the response short unless its length says it
    // is whole.
    if (m_req.Route.Secure && m_req.Connected && !m_req.Aborted && !m_clientClosing
        && !ResponseWhole()) {
        if (m_socket->TlsState() == TTlsState::Cut) {
            FailSecure(httpsFailed, "TLS: connection cut before the end of the body");
            return;
        }
        if (m_socket->TlsState() == TTlsState::Failed) {
            FailSecure(httpsFailed, m_socket->TlsError());
            return;
        }
    }
    // A page without a header is delivered line by line at first; a last
    // line without a line end is still part of it when the server closes.
    const TEventGuard guard = Guard();
    if (!m_req.InReceive && !m_req.Aborted && m_req.LineHandler == TLineHandler::Body
        && m_req.Rcv.Count() > 0) {
        DeliverBuffer();
        if (!guard.Same())
            return;
    }
    EndOfRequest();
}

void THttpCli::EndOfRequest()
{
    if (m_req.Ended)
        return;
    m_req.Ended = true;
    m_req.Connected = false;
    m_req.Connecting = false;
    m_req.AllowedToSend = false;
    m_timer->stop();
    // The ready state is posted after OnDocEnd, so that a handler pumping
    // events cannot see it inside this call, and also when the handler raises.
    const TEventGuard guard = Guard();
    const TScopeExit postReady([&] {
        if (guard.Alive())
            Post([this] { SetState(httpReady); });
    });
    if (m_req.BodyChunks > 0)
        Raise(OnDocEnd, this);
}

void THttpCli::RelocationStep()
{
    m_req.Connected = false;
    m_req.LocationPending = false;
    m_req.ClosedLeadsToRelocation = false;
    ++m_req.Relocations;
    if (MaxRelocations > 0 && m_req.Relocations > MaxRelocations) {
        qCDebug(lcHttp, "relocation bound of %d reached", MaxRelocations);
        Fail("Too many relocations");
        EndOfRequest();
        return;
    }
    // Posted after the handler, so that a handler pumping events does not
    // start the next connection inside this call; posted also when it raises.
    const TEventGuard guard = Guard();
    const TScopeExit postLookup([&] {
        if (guard.Alive())
            OpenRouteLater();
    });
    Raise(OnLocationChange, this);
}

void THttpCli::ArmTimer()
{
    Clock::time_point next = Clock::time_point::max();
    if (RequestTimeout.count() > 0)
        next = std::min(next, m_req.RequestDeadline);
    if (m_req.Connecting && ConnectTimeout.count() > 0)
        next = std::min(next, m_req.ConnectDeadline);
    if (m_req.Connected && IdleTimeout.count() > 0)
        next = std::min(next, m_req.IdleDeadline);
    if (next == Clock::time_point::max()) {
        m_timer->stop();
        return;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now());
    m_timer->start(std::max<std::chrono::milliseconds>(wait, std::chrono::milliseconds(0)));
}

void THttpCli::TimerFired()
{
    if (m_req.Ended)
        return;
    const auto now = Clock::now();
    const char* passed = RequestTimeout.count() > 0 && now >= m_req.RequestDeadline      ? "request"
        : m_req.Connecting && ConnectTimeout.count() > 0 && now >= m_req.ConnectDeadline ? "connect"
        : m_req.Connected && IdleTimeout.count() > 0 && now >= m_req.IdleDeadline        ? "idle"
                                                                                         : nullptr;
    if (passed == nullptr) {
        ArmTimer();
        return;
    }
    qCDebug(lcHttp, "%s time bound reached", passed);
    EndAtOnce("Timed out");
}
