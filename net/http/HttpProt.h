#pragma once

#include "net/http/ChunkedDecoder.h"
#include "net/http/HttpException.h"
#include "net/http/HttpRcvBuffer.h"
#include "net/http/HttpRoute.h"
#include "net/http/ResponseFraming.h"
#include "net/http/UrlRoutines.h"
#include "net/socket/EventRaiser.h"

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QObject;
class QTimer;
class TTlsContext;
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

// How the secure side of a request ended it, if it did (one byte).
enum THttpsOutcome : std::uint8_t {
    httpsNone, // a plain request, or a secure one that went as a plain one would
    httpsOff, // an https:// URL and no TlsContext: nothing was sent
    httpsFailed, // the tunnel, the handshake, the certificate or TLS itself failed,
                 // or the body was cut short: what came is not the whole page
};

class THttpCli;

using THttpNotifyEvent = std::function<void(THttpCli* Sender)>;
using THttpCommandEvent = std::function<void(THttpCli* Sender, const std::string& Line)>;
using THttpDataEvent = std::function<void(THttpCli* Sender, const char* Buffer, int Len)>;
using THttpRequestDoneEvent
    = std::function<void(THttpCli* Sender, THttpRequest RqType, std::uint16_t Error)>;

// An event-driven HTTP/1.0 client: one document per request, directly or
// through an HTTP proxy, a SOCKS 5 proxy or both, over one owned TWSocket; a
// request ends when its connection closes. An https:// URL goes over TLS
// (port 443 unless the URL names one; through an HTTP proxy inside a
// "CONNECT host:port" tunnel), and without TlsContext it is refused, never
// sent as plain HTTP. Events are raised on the owning thread's event loop.
//
// With KeepAlive a connection may outlive its request: the request asks for
// that (HTTP/1.1 with "Connection: keep-alive"), a response whose end is
// known (Content-Length, a chunked body, none at all) ends the request at
// that end, and when the server lets the connection stay open the next
// request to the same server, by the same way (proxy, SOCKS, TLS), goes over
// it without a lookup or a connect; so does a relocation that stays there.
//
// A handler may destroy the client (or its owner with it), also one run by
// the event pump while Get waits: the client then touches nothing more, and
// Get, DoRequestSync and DoRequestAsync raise EHttpClientDestroyed to say so.
class THttpCli : private TEventRaiser
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
    // A SOCKS 5 proxy every connection goes through (to Proxy when that is
    // set); empty for none. Its name is looked up without blocking, while the
    // server's name goes to it unresolved. A non-empty SocksUsercode offers
    // user name and password.
    std::string SocksServer;
    std::string SocksPort = "1080";
    std::string SocksUsercode;
    std::string SocksPassword;
    // The TLS settings for https:// URLs, not owned (they must outlive every
    // request); null: such a URL, or a relocation to one, ends the request
    // with StatusCode 404 and ReasonPhrase "https is off".
    const TTlsContext* TlsContext = nullptr;
    bool NoCache = false;
    TDateTime ModifiedSince = 0; // 0: no If-Modified-Since
    std::string Cookie;
    std::string ContentTypePost = "application/x-www-form-urlencoded";
    std::ostream* RcvdStream = nullptr; // caller-owned; every body chunk is written to it
    std::istream* SendStream = nullptr; // caller-owned; a POST body, read from its position
    // Keeps the connection open between requests where the server allows it
    // (see above). A GET or HEAD that finds its kept connection closed before
    // any byte of the response came is sent again, once, over a new one.
    // Off: HTTP/1.0, one connection per request, ended by the server's close.
    bool KeepAlive = false;

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
    int StatusCode() const { return m_req.StatusCode; }
    const std::string& ReasonPhrase() const { return m_reasonPhrase; }
    std::int64_t ContentLength() const { return m_contentLength; }
    const std::string& ContentType() const { return m_contentType; }
    const std::string& DocName() const { return m_req.DocName; }
    const std::string& Location() const { return m_req.Location; }
    const std::vector<std::string>& RcvdHeader() const { return m_req.RcvdHeader; }
    const std::vector<std::string>& AuthChallenges() const { return m_authChallenges; }
    std::int64_t RcvdCount() const { return m_req.RcvdCount; }
    std::int64_t SentCount() const { return m_req.SentCount; }
    // Whether the request's secure side ended it; ReasonPhrase says why
    // ("https is off", "TLS: certificate verify failed: ...", "TLS: connection
    // cut before the end of the body", "proxy: HTTP/1.0 407 ...").
    THttpsOutcome HttpsOutcome() const { return m_req.Https; }
    // True while a connection is kept open for the next request.
    bool HoldsConnection() const { return m_kept.has_value(); }

    // --- operations -----------------------------------------------------------
    // Synchronous GET of URL: returns when the request has ended and
    // OnRequestDone has been raised. Raises EHttpException 1 when busy.
    void Get();
    // Starts a request of `kind` and dispatches events (sleeping while none is
    // pending) until it has ended. Failures of HTTP or the network are left in
    // StatusCode and ReasonPhrase, not raised; an exception a handler raised
    // from the event loop is raised here once the client is ready again.
    // Raises EHttpClientDestroyed when a handler destroyed the client.
    void DoRequestSync(THttpRequest kind);
    // Starts a request of `kind`; the rest runs from events. Raises
    // EHttpException 1 when not ready, 2 for a POST without SendStream, and
    // the socket's lookup-start exceptions (the client is ready again then).
    void DoRequestAsync(THttpRequest kind);
    // Dispatches events (sleeping while none is pending) until the request in
    // progress has ended and OnRequestDone has been raised, then raises what a
    // handler raised from the event loop during the request; returns at once
    // when none runs. Raises EHttpClientDestroyed when a handler destroyed
    // the client.
    void WaitForRequest();
    // Ends the request in progress at once, like a bound: the connection is
    // closed (or the lookup cancelled), StatusCode becomes 404 and
    // ReasonPhrase "Aborted", and nothing more of the response is handled or
    // delivered (called from OnDocData, the chunk in hand is not written to
    // RcvdStream). The client becomes ready and raises OnRequestDone once,
    // from the event loop after the caller returns; a waiting Get then returns
    // normally. Callable from the client's own handlers; nothing when no
    // request runs or its end is already under way.
    void Abort();
    // Closes the connection kept open for the next request, if there is one.
    void DropConnection();

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
    using Clock = std::chrono::steady_clock;
    enum class TLineHandler { Header, Body };

    // What a connection was opened to and by which way: a kept connection
    // serves a request only when both are the same.
    struct TEndpoint
    {
        std::string Host; // the server, or the proxy
        std::string Port;
        std::string SecureAuthority; // a secure server's host:port; empty for plain
        const TTlsContext* Tls = nullptr;
        std::string TunnelUsername; // the proxy credentials a tunnel was opened with
        std::string TunnelPassword;
        std::string SocksServer;
        std::string SocksPort;
        std::string SocksUsercode;
        std::string SocksPassword;

        bool operator==(const TEndpoint&) const = default;
    };

    // Everything one request changes while it runs, rebuilt whole when a
    // request starts; what the owner reads of it stays until the next start.
    struct TRequest
    {
        THttpRequest Kind = httpNone;
        THttpRoute Route;
        std::string DocName;
        std::string Location;
        std::vector<std::string> RcvdHeader;
        int StatusCode = 0;
        std::int64_t RcvdCount = 0;
        std::int64_t SentCount = 0;
        std::uint16_t DoneError = 0; // 0 unless a connect attempt raised
        std::string SocksError; // why the SOCKS proxy did not connect
        THttpsOutcome Https = httpsNone;
        std::int64_t DeclaredLength = -1; // of the current response; -1 when it declares none
        bool Ended = true; // the request's end (set-ready) has been posted
        bool Aborted = false; // ended at once: Abort, a bound or a raising handler
        bool Connecting = false;
        bool Connected = false;
        bool LocationPending = false;
        bool ClosedLeadsToRelocation = false;
        bool AllowedToSend = false; // the POST body goes on with each all-sent report
        int Relocations = 0;
        int HeaderLines = 0; // of the current response
        int BodyChunks = 0; // of the current response
        std::int64_t HeadBytes = 0; // of the current response
        TLineHandler LineHandler = TLineHandler::Header;
        THttpRcvBuffer Rcv;
        // A connection kept open between requests: what the head says of the
        // body's end, and where the response in hand stands.
        bool KeepAliveSent = false; // the request asked for it
        TEndpoint Endpoint; // of the connection in use
        TResponseHead Head;
        bool Framed = false; // the body ends at its length or last chunk
        TBodyEnd BodyEnd = TBodyEnd::Close;
        std::int64_t BodyLeft = 0;
        TChunkedDecoder Chunks;
        bool Reusable = false; // the connection may carry the next request
        bool Draining = false; // a relocation's body is read and dropped
        bool OnKept = false; // the connection in use was kept from an earlier response
        bool ResponseBytes = false; // bytes of a response came over it
        bool Resent = false; // sent again over a new connection already
        bool InReceive = false; // inside the data-available handler
        bool ReceiveDeferred = false; // a data report came while InReceive
        bool CloseDeferred = false; // the peer's close was reported while InReceive
        std::exception_ptr PendingError; // raised by a handler run from the event loop
        Clock::time_point RequestDeadline {};
        Clock::time_point ConnectDeadline {};
        Clock::time_point IdleDeadline {};
    };

    // Changes the state and raises OnStateChange (the ready state also posts
    // OnRequestDone); true when the request may go on.
    bool SetState(THttpClientState state);
    void Post(std::function<void()> fn);
    void Guarded(const std::function<void()>& fn);
    void AbortOnError(const std::function<void()>& fn);
    void StartRequest();
    // The connection for the route: the kept one when it serves it, else a
    // lookup and a new connection (a kept one for another server is closed).
    void OpenRoute();
    // OpenRoute from the event loop, unless the request has ended meanwhile.
    void OpenRouteLater();
    void StartLookup();
    TEndpoint EndpointOf(const THttpRoute& route) const;
    // The session is up (new, or kept): the request goes out.
    void SessionUp(bool raiseConnected);
    // A kept connection closed before the response began: the request goes
    // again over a new one, once; false when that is not allowed.
    bool ResendOnNewConnection();
    void DropKept();
    void Fail(const std::string& reason);
    // Ends a secure request that failed, with `reason` in ReasonPhrase.
    void FailSecure(THttpsOutcome outcome, const std::string& reason);
    // True when the response in hand is whole without close_notify: its head
    // has ended and its body has reached the declared length, or has none.
    bool ResponseWhole() const;
    void EndAtOnce(const std::string& reason);
    void CloseConnection();
    void EndOfRequest();
    void RelocationStep();
    // Sends the request head; true when the request may go on.
    bool SendRequest(const std::string& method);
    void SendBodyBlock();
    [[noreturn]] void LineTooLong();
    void HandleHeaderLine(const std::string& line);
    void HandleHeaderField(const std::string& name, const std::string& value);
    void HeaderEnd();
    // The body starts: OnHeaderEnd; true when the request may go on.
    bool EnterBody();
    // Hands a chunk to OnDocData and RcvdStream; true when the request may go on.
    bool DeliverBody(const char* data, int len);
    void DeliverBuffer();
    // Hands the body bytes in the buffer on up to the body's known end
    // (dropped for a relocation), and acts at that end.
    void TakeFramedBody();
    // The framed body has ended (`leftover`: bytes came after it): the
    // connection is kept or closed, and the request ends or relocates.
    void FramedBodyEnded(bool leftover);
    void ArmFraming(const TResponseFraming& framing);
    void ArmTimer();
    void TimerFired();

    void SocketDnsLookupDone(std::uint16_t error);
    void PrepareSocks();
    void PrepareTls();
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
    std::string m_reasonPhrase;
    std::int64_t m_contentLength = 0;
    std::string m_contentType;
    std::vector<std::string> m_authChallenges;
    std::vector<char> m_sendBlock;

    TRequest m_req;
    // Counts requests started: a handler of an ended request may start the
    // next one while a block of the old one is still being handled. The
    // epoch of the client's event guards; m_req.Aborted stops them.
    unsigned m_requestSerial = 0;
    int m_requestDonePending = 0; // request-done notifications posted, not yet run
    bool m_clientClosing = false; // inside CloseConnection
    // The connection kept open for the next request, while it is idle.
    std::optional<TEndpoint> m_kept;
    bool m_closingQuietly = false; // inside a close no request is to hear of
};
