#pragma once

#include "net/http/HttpException.h"
#include "net/http/HttpRcvBuffer.h"
#include "net/http/HttpRoute.h"
#include "net/http/UrlRoutines.h"

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

class QObject;
class QTimer;
class TWSocket;

// The kind of request (one byte). Data received while the kind is httpNone is dropped.
enum THttpRequest : std::uint8_t { httpNone, httpGet, httpPost, httpHead };

// The client's state (one byte, values 0 to 7 in this order).
enum THttpClientState : std::uint8_t {
    httpReady,
    httpNotConnected,
    httpConnected,
    httpDnsLookup,
    httpDnsLookupDone,
    httpWaitingHeader,
    httpWaitingBody,
    httpAborting
};

class THttpCli;

using THttpNotifyEvent = std::function<void(THttpCli* Sender)>;
using THttpCommandEvent = std::function<void(THttpCli* Sender, const std::string& Line)>;
using THttpDataEvent = std::function<void(THttpCli* Sender, const char* Buffer, int Len)>;
using THttpRequestDoneEvent
    = std::function<void(THttpCli* Sender, THttpRequest RqType, std::uint16_t Error)>;

// An event-driven HTTP/1.0 client: one document per request, directly or
// through an HTTP proxy, over one owned TWSocket; a request ends when its
// connection closes. Events are raised on the owning thread's event loop.
class THttpCli
{
public:
    THttpCli();
    ~THttpCli();
    THttpCli(const THttpCli&) = delete;
    THttpCli& operator=(const THttpCli&) = delete;

    // --- settable properties ------------------------------------------------
    std::string URL;
    std::string Proxy; // host or host:port; empty for a direct connection
    std::string ProxyPort = "80"; // used when Proxy names no port
    std::string Sender; // "From: "
    std::string Agent; // "User-Agent: "
    std::string Reference; // "Referer: "
    std::string Username; // replaced by a user name inside URL
    std::string Password; // replaced by a password inside URL
    std::string ProxyUsername;
    std::string ProxyPassword;
    bool NoCache = false;
    TDateTime ModifiedSince = 0; // 0: no If-Modified-Since
    std::string Cookie;
    std::string ContentTypePost = "application/x-www-form-urlencoded";
    std::ostream* RcvdStream = nullptr; // caller-owned; every body chunk is written to it
    std::istream* SendStream = nullptr; // caller-owned; a POST body, read from its position

    // Bounds of one request (0 = none); past one it ends with StatusCode 404.
    int MaxRelocations = 20; // "Too many relocations"
    std::chrono::milliseconds ConnectTimeout { 30000 }; // "Timed out"
    std::chrono::milliseconds IdleTimeout { 60000 }; // no byte received; "Timed out"
    std::chrono::milliseconds RequestTimeout { 300000 }; // whole request; "Timed out"

    // Which pump the synchronous request uses; also set on the owned socket.
    bool MultiThreaded() const { return m_multiThreaded; }
    void SetMultiThreaded(bool value);

    // --- run-time values ----------------------------------------------------
    THttpClientState State() const { return m_state; }
    int StatusCode() const { return m_statusCode; }
    const std::string& ReasonPhrase() const { return m_reasonPhrase; }
    std::int64_t ContentLength() const { return m_contentLength; }
    const std::string& ContentType() const { return m_contentType; }
    const std::string& DocName() const { return m_docName; }
    const std::string& Location() const { return m_location; }
    const std::vector<std::string>& RcvdHeader() const { return m_rcvdHeader; }
    const std::vector<std::string>& AuthChallenges() const { return m_authChallenges; }
    std::int64_t RcvdCount() const { return m_rcvdCount; }
    std::int64_t SentCount() const { return m_sentCount; }

    // --- operations -----------------------------------------------------------
    // Synchronous GET of URL: returns when the request has ended and
    // OnRequestDone has been raised. Raises EHttpException 1 when busy.
    void Get();
    // Starts a request of `kind` and dispatches events (sleeping while none is
    // pending) until it has ended. Failures of HTTP or the network are left in
    // StatusCode and ReasonPhrase, not raised.
    void DoRequestSync(THttpRequest kind);
    // Starts a request of `kind`; the rest runs from events. Raises
    // EHttpException 1 when not ready, 2 for a POST without SendStream, and
    // the socket's lookup-start exceptions (the client is ready again then).
    void DoRequestAsync(THttpRequest kind);

    // --- events (raised only when assigned, sender first) -----------------------
    THttpNotifyEvent OnStateChange;
    THttpNotifyEvent OnSessionConnected;
    THttpNotifyEvent OnRequestHeaderBegin;
    THttpCommandEvent OnCommand;
    THttpNotifyEvent OnRequestHeaderEnd;
    THttpNotifyEvent OnSendBegin;
    THttpDataEvent OnSendData;
    THttpNotifyEvent OnSendEnd;
    THttpNotifyEvent OnHeaderBegin;
    THttpNotifyEvent OnHeaderData;
    THttpNotifyEvent OnHeaderEnd;
    THttpNotifyEvent OnDocBegin;
    THttpDataEvent OnDocData;
    THttpNotifyEvent OnDocEnd;
    THttpNotifyEvent OnLocationChange;
    THttpRequestDoneEvent OnRequestDone;

private:
    enum class TLineHandler { Header, Body };

    void SetState(THttpClientState state);
    void Post(std::function<void()> fn);
    void Guarded(const std::function<void()>& fn);
    void AbortOnError(const std::function<void()>& fn);
    void StartRequest();
    void StartLookup();
    void Fail(const std::string& reason);
    void CloseConnection();
    void EndOfRequest();
    void RelocationStep();
    void SendRequest(const std::string& method);
    void SendBodyBlock();
    [[noreturn]] void LineTooLong();
    void HandleHeaderLine(const std::string& line);
    void HandleHeaderField(const std::string& name, const std::string& value);
    void HeaderEnd();
    void DeliverBody(const char* data, int len);
    void DeliverBuffer();
    void ArmTimer();
    void TimerFired();

    void SocketDnsLookupDone(std::uint16_t error);
    void SocketSessionConnected(std::uint16_t error);
    void SocketDataAvailable();
    void ReceiveBlock();
    void SocketDataSent();
    void SocketSessionClosed();

    std::unique_ptr<TWSocket> m_socket;
    std::unique_ptr<QObject> m_poster; // target of the deferred notifications
    std::unique_ptr<QTimer> m_timer; // the request's time bounds
    bool m_multiThreaded = false;

    THttpClientState m_state = httpReady;
    int m_statusCode = 0;
    std::string m_reasonPhrase;
    std::int64_t m_contentLength = 0;
    std::string m_contentType;
    std::string m_docName;
    std::string m_location;
    std::vector<std::string> m_rcvdHeader;
    std::vector<std::string> m_authChallenges;
    std::int64_t m_rcvdCount = 0;
    std::int64_t m_sentCount = 0;

    THttpRoute m_route;
    THttpRequest m_requestType = httpNone;
    std::uint16_t m_requestDoneError = 0;
    bool m_connected = false;
    bool m_locationPending = false;
    bool m_closedLeadsToRelocation = false;
    bool m_ended = true; // the request's end (set-ready) has been posted
    bool m_aborting = false; // a bound has ended the request
    bool m_requestDonePending = false;
    int m_relocations = 0;
    int m_headerLines = 0;
    int m_bodyChunks = 0;
    std::int64_t m_headBytes = 0;
    THttpRcvBuffer m_rcv;
    TLineHandler m_lineHandler = TLineHandler::Header;
    std::string m_reqBuf;
    std::vector<char> m_sendBlock;
    bool m_allowedToSend = false;
    std::exception_ptr m_pendingError; // raised by a handler run from the event loop
    int m_syncDepth = 0;
    bool m_inReceive = false; // inside the data-available handler
    bool m_receiveDeferred = false; // a data report came while m_inReceive
    bool m_closeDeferred = false; // the peer's close was reported while m_inReceive
    bool m_clientClosing = false; // inside CloseConnection
    // Counts requests started: a handler of an ended request may start the
    // next one while a block of the old one is still being handled.
    unsigned m_requestSerial = 0;

    using Clock = std::chrono::steady_clock;
    Clock::time_point m_requestDeadline {};
    Clock::time_point m_connectDeadline {};
    Clock::time_point m_idleDeadline {};
    bool m_connecting = false;
};
