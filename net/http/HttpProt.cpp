#include "net/http/HttpProt.h"

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

THttpCli::THttpCli()
    : m_socket(std::make_unique<TWSocket>())
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
}

THttpCli::~THttpCli()
{
    // The socket closes as it goes; nothing of that may reach this half-destroyed client.
    m_socket->OnDnsLookupDone = nullptr;
    m_socket->OnSessionConnected = nullptr;
    m_socket->OnDataAvailable = nullptr;
    m_socket->OnDataSent = nullptr;
    m_socket->OnSessionClosed = nullptr;
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
    // Counts the synchronous requests waiting, so that handler exceptions
    // from the event loop are kept for them (also during the start).
    struct TDepth
    {
        int& depth;
        explicit TDepth(int& d)
            : depth(++d)
        { }
        ~TDepth() { --depth; }
    } depth(m_syncDepth);

    // Without an event loop nothing would ever complete: refuse instead of spinning.
    if (!QAbstractEventDispatcher::instance())
        throw std::logic_error("THttpCli needs the thread's Qt event loop");
    DoRequestAsync(kind);
    // Wait until the request has ended and its done notification has run;
    // WaitForEvents sleeps while nothing is pending, so waiting costs no CPU.
    while (m_state != httpReady || m_requestDonePending)
        TCustomWSocket::WaitForEvents(1000);
    if (m_pendingError) {
        auto error = m_pendingError;
        m_pendingError = nullptr;
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
    m_inReceive = false;
    m_receiveDeferred = false;
    m_rcvdHeader.clear();
    m_requestType = kind;
    m_requestDoneError = 0;
    m_closedLeadsToRelocation = false;
    m_locationPending = false;
    m_ended = false;
    m_aborting = false;
    m_closeDeferred = false;
    m_pendingError = nullptr;
    m_relocations = 0;
    m_rcv.Clear();
    m_lineHandler = TLineHandler::Header;
    try {
        SetState(httpNotConnected);
        StartRequest();
    } catch (...) {
        // The lookup never started: the client is ready again before the
        // exception reaches the caller, which learns of the refusal from it.
        m_ended = true;
        m_timer->stop();
        m_state = httpReady;
        try {
            if (OnStateChange)
                OnStateChange(this);
        } catch (...) { }
        throw;
    }
}

void THttpCli::StartRequest()
{
    m_docName.clear();
    m_statusCode = 0;
    m_rcvdCount = 0;
    m_sentCount = 0;
    m_headerLines = 0;
    m_bodyChunks = 0;
    m_headBytes = 0;
    m_allowedToSend = false;
    m_location = URL;

    const THttpRequestPlan plan = PlanRequest(URL, Proxy, ProxyPort, Username, Password);
    m_route = plan.Route;
    m_docName = plan.DocName;
    Username = plan.Username;
    Password = plan.Password;

    const auto now = Clock::now();
    m_requestDeadline = now + RequestTimeout;
    m_connecting = false;
    ArmTimer();
    StartLookup();
}

void THttpCli::SetState(THttpClientState state)
{
    if (m_state == state)
        return;
    m_state = state;
    if (state == httpReady) {
        m_requestDonePending = true;
        Post([this] {
            m_requestDonePending = false;
            if (OnRequestDone)
                OnRequestDone(this, m_requestType, m_requestDoneError);
        });
    }
    if (OnStateChange)
        OnStateChange(this);
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
    try {
        fn();
    } catch (...) {
        if (!m_pendingError && m_syncDepth > 0)
            m_pendingError = std::current_exception();
    }
}

void THttpCli::AbortOnError(const std::function<void()>& fn)
{
    // A handler raising in the middle of these steps leaves no event that
    // would carry the request on: end it at once instead of letting it hang.
    try {
        fn();
    } catch (const std::exception& e) {
        if (!m_pendingError && m_syncDepth > 0)
            m_pendingError = std::current_exception();
        if (m_ended)
            return;
        Fail(e.what());
        m_aborting = true;
        m_closedLeadsToRelocation = false;
        Guarded([this] { m_socket->Abort(); });
        Guarded([this] { EndOfRequest(); });
    }
}

void THttpCli::StartLookup()
{
    SetState(httpDnsLookup);
    m_socket->DnsLookup(m_route.ConnectHost);
}

void THttpCli::Fail(const std::string& reason)
{
    m_statusCode = 404;
    m_reasonPhrase = reason;
}

void THttpCli::SocketDnsLookupDone(std::uint16_t error)
{
    if (m_ended || m_aborting)
        return;
    if (error != 0) {
        if (m_state == httpAborting)
            return;
        Fail("can't resolve hostname to IP address");
        EndOfRequest();
        return;
    }
    SetState(httpDnsLookupDone);
    try {
        m_socket->SetAddr(m_socket->DnsResult());
        m_socket->SetPort(m_route.ConnectPort);
        m_socket->SetProto("tcp");
        m_connecting = true;
        m_connectDeadline = Clock::now() + ConnectTimeout;
        ArmTimer();
        m_socket->Connect();
    } catch (const std::exception&) {
        const int code = m_socket->LastError();
        m_requestDoneError = static_cast<std::uint16_t>(code);
        Fail("can't connect: " + WSocketErrorText(code) + " (Error #" + std::to_string(code) + ")");
        m_socket->Close();
        EndOfRequest();
    }
}

void THttpCli::SocketSessionConnected(std::uint16_t error)
{
    if (m_ended || m_aborting)
        return;
    m_connecting = false;
    if (error != 0) {
        Fail(WSocketErrorText(error) + " (Error #" + std::to_string(error) + ")");
        EndOfRequest();
        return;
    }
    m_connected = true;
    m_idleDeadline = Clock::now() + IdleTimeout;
    ArmTimer();
    try {
        SetState(httpConnected);
        if (OnSessionConnected)
            OnSessionConnected(this);
        m_lineHandler = TLineHandler::Header;
        SetState(httpWaitingHeader);
        const char* method = m_requestType == httpPost ? "POST"
            : m_requestType == httpHead                ? "HEAD"
                                                       : "GET";
        SendRequest(method);
        if (m_requestType == httpPost) {
            if (OnSendBegin)
                OnSendBegin(this);
            m_allowedToSend = true;
            SendBodyBlock();
        }
    } catch (...) {
        // A request that cannot be sent ends with its connection.
        m_connected = false;
        m_socket->Close();
        EndOfRequest();
    }
}

void THttpCli::SendRequest(const std::string& method)
{
    THttpRequestFields f;
    f.Method = method;
    f.RequestPath = m_route.RequestPath;
    f.Sender = Sender;
    f.Reference = Reference;
    f.ContentTypePost = ContentTypePost;
    f.Agent = Agent;
    f.TargetHost = m_route.TargetHost;
    f.NoCache = NoCache;
    f.ModifiedSince = ModifiedSince;
    f.Username = Username;
    f.Password = Password;
    f.Proxy = Proxy;
    f.ProxyUsername = ProxyUsername;
    f.ProxyPassword = ProxyPassword;
    f.Cookie = Cookie;
    if (method == "POST" && SendStream) {
        // The whole stream's size, whatever its current position.
        const auto pos = SendStream->tellg();
        SendStream->seekg(0, std::ios::end);
        const auto end = SendStream->tellg();
        SendStream->clear();
        SendStream->seekg(pos);
        f.PostSize = end < 0 ? 0 : static_cast<std::int64_t>(end);
    }

    m_reqBuf.clear();
    if (OnRequestHeaderBegin)
        OnRequestHeaderBegin(this);
    const auto addLine = [this](const std::string& line) {
        if (OnCommand)
            OnCommand(this, line);
        m_reqBuf += line;
        m_reqBuf += "\r\n";
    };
    for (const auto& line : BuildRequestLines(f))
        addLine(line);
    if (OnRequestHeaderEnd)
        OnRequestHeaderEnd(this);
    addLine("");
    m_socket->Send(m_reqBuf.data(), static_cast<int>(m_reqBuf.size()));
    m_reqBuf.clear();
}

void THttpCli::SendBodyBlock()
{
    // One block per all-sent report, so a large body is never held whole.
    if (!m_allowedToSend || !SendStream)
        return;
    SendStream->read(m_sendBlock.data(), SendBlockSize);
    const auto count = static_cast<int>(SendStream->gcount());
    if (count > 0) {
        m_sentCount += count;
        if (OnSendData)
            OnSendData(this, m_sendBlock.data(), count);
        m_socket->Send(m_sendBlock.data(), count);
    } else {
        m_allowedToSend = false;
        if (OnSendEnd)
            OnSendEnd(this);
    }
}

void THttpCli::SocketDataSent()
{
    if (m_ended || !m_connected)
        return;
    SendBodyBlock();
}

void THttpCli::CloseConnection()
{
    m_clientClosing = true;
    try {
        m_socket->Close();
    } catch (...) {
        m_clientClosing = false;
        throw;
    }
    m_clientClosing = false;
}

void THttpCli::SocketSessionClosed()
{
    if (m_ended)
        return;
    if (m_inReceive && !m_clientClosing) {
        // The peer's close, seen while a handler pumps events in the middle of
        // a block: the request ends once that block has been handled.
        m_closeDeferred = true;
        return;
    }
    if (m_closedLeadsToRelocation) {
        RelocationStep();
        return;
    }
    // A page without a header is delivered line by line at first; a last
    // line without a line end is still part of it when the server closes.
    if (!m_inReceive && m_lineHandler == TLineHandler::Body && m_rcv.Count() > 0)
        DeliverBuffer();
    EndOfRequest();
}

void THttpCli::EndOfRequest()
{
    if (m_ended)
        return;
    m_ended = true;
    m_connected = false;
    m_connecting = false;
    m_allowedToSend = false;
    m_timer->stop();
    // The ready state is posted after OnDocEnd, so that a handler pumping
    // events cannot see it inside this call, and also when the handler raises.
    try {
        if (m_bodyChunks > 0 && OnDocEnd)
            OnDocEnd(this);
    } catch (...) {
        Post([this] { SetState(httpReady); });
        throw;
    }
    Post([this] { SetState(httpReady); });
}

void THttpCli::RelocationStep()
{
    m_connected = false;
    m_locationPending = false;
    m_closedLeadsToRelocation = false;
    ++m_relocations;
    if (MaxRelocations > 0 && m_relocations > MaxRelocations) {
        Fail("Too many relocations");
        EndOfRequest();
        return;
    }
    const auto postRelocate = [this] {
        Post([this] {
            if (m_ended)
                return;
            try {
                StartLookup();
            } catch (const std::exception& e) {
                // A target the socket refuses to look up (no host name) ends the
                // request like a failed lookup instead of raising out of Get.
                Fail(e.what());
                EndOfRequest();
            }
        });
    };
    // Posted after the handler, so that a handler pumping events does not
    // start the next connection inside this call; posted also when it raises.
    try {
        if (OnLocationChange)
            OnLocationChange(this);
    } catch (...) {
        postRelocate();
        throw;
    }
    postRelocate();
}

void THttpCli::ArmTimer()
{
    Clock::time_point next = Clock::time_point::max();
    if (RequestTimeout.count() > 0)
        next = std::min(next, m_requestDeadline);
    if (m_connecting && ConnectTimeout.count() > 0)
        next = std::min(next, m_connectDeadline);
    if (m_connected && IdleTimeout.count() > 0)
        next = std::min(next, m_idleDeadline);
    if (next == Clock::time_point::max()) {
        m_timer->stop();
        return;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now());
    m_timer->start(std::max<std::chrono::milliseconds>(wait, std::chrono::milliseconds(0)));
}

void THttpCli::TimerFired()
{
    if (m_ended)
        return;
    const auto now = Clock::now();
    const bool passed = (RequestTimeout.count() > 0 && now >= m_requestDeadline)
        || (m_connecting && ConnectTimeout.count() > 0 && now >= m_connectDeadline)
        || (m_connected && IdleTimeout.count() > 0 && now >= m_idleDeadline);
    if (!passed) {
        ArmTimer();
        return;
    }
    // End like a failed connection: whatever the socket reports while it is
    // torn down (a cancelled lookup, the close) must not change the outcome.
    Fail("Timed out");
    m_aborting = true;
    m_closedLeadsToRelocation = false;
    m_socket->Abort();
    EndOfRequest();
}
