// THttpCli's receiving side: the receive buffer split into lines, response
// header handling and body delivery.
#include "net/http/HttpHeaderLine.h"
#include "net/http/HttpLog.h"
#include "net/http/HttpProt.h"
#include "net/socket/WSocket.h"
#include "platform/TextSearch.h"

#include <ostream>

namespace {

// One response's head may not grow past this; a server sending endless
// header lines is cut off here.
constexpr std::int64_t MaxHeadBytes = 64 * 1024;

} // namespace

void THttpCli::LineTooLong()
{
    qCDebug(lcHttp, "a response line longer than the receive buffer: the response is cut off");
    // Nothing more of this response will be read: close at once rather than
    // leave unread bytes behind that keep the read notification firing.
    CloseConnection();
    throw EHttpException("HTTP line too long", 4);
}

void THttpCli::SocketDataAvailable()
{
    // A handler that pumps events (a repaint, a progress display) can let the
    // socket report more data while a block is still being handled from the
    // buffer. Reading now would deliver that block again and out of order:
    // leave the bytes waiting; the outer pass reads them when it is done.
    if (m_req.InReceive) {
        m_req.ReceiveDeferred = true;
        return;
    }
    if (m_kept) {
        // Bytes on a kept connection before the next request: nobody asked
        // for them, and the next response could not be told from them.
        qCDebug(lcHttp, "bytes on the connection kept open: it is closed");
        DropKept();
        return;
    }
    m_req.InReceive = true;
    m_req.ReceiveDeferred = false;
    // However the block's handling ends (a handler raising included), what
    // came meanwhile takes effect now.
    const TEventGuard guard = Guard();
    const TScopeExit leave([&] {
        if (!guard.Same())
            return; // destroyed, or a new request has taken over the client
        m_req.InReceive = false;
        // The socket stops reporting bytes left unread by the skipped report;
        // ask for them again, also when a handler raised and this pass reads
        // no further.
        if (m_req.ReceiveDeferred) {
            m_req.ReceiveDeferred = false;
            m_socket->ResumeDataReports();
        }
        if (m_req.Aborted) {
            // Ended at once while the block was handled: the end comes now.
            Guarded([this] { EndOfRequest(); });
        } else if (m_req.CloseDeferred) {
            m_req.CloseDeferred = false;
            Guarded([this] { SocketSessionClosed(); });
        }
    });
    ReceiveBlock();
}

void THttpCli::ReceiveBlock()
{
    if (m_req.Rcv.Full())
        LineTooLong();
    const int count = m_socket->Receive(m_req.Rcv.WritePos(), m_req.Rcv.Space());
    if (m_req.Kind == httpNone || count <= 0)
        return;
    m_req.Rcv.Commit(count);
    m_req.ResponseBytes = true;
    if (m_req.Connected)
        m_req.IdleDeadline = Clock::now() + IdleTimeout;

    if (m_req.Framed) {
        TakeFramedBody();
        return;
    }
    if (m_state == httpWaitingBody) {
        DeliverBuffer();
        return;
    }
    const TEventGuard guard = Guard();
    std::string line;
    while (guard.GoOn() && m_req.Rcv.Count() > 0 && m_req.Rcv.TakeLine(line)) {
        // Handlers may change the state or close the connection; the lines
        // already received are still handled, as they arrived together.
        if (m_state != httpWaitingHeader && m_state != httpWaitingBody)
            continue;
        if (m_req.LineHandler == TLineHandler::Body) {
            DeliverBody(line.data(), static_cast<int>(line.size()));
            continue;
        }
        m_req.HeadBytes += static_cast<std::int64_t>(line.size()) + 2;
        if (m_req.HeadBytes > MaxHeadBytes) {
            qCDebug(lcHttp, "response head bound of %lld bytes reached",
                static_cast<long long>(MaxHeadBytes));
            m_req.Rcv.Clear();
            CloseConnection();
            return;
        }
        HandleHeaderLine(line);
    }
    if (guard.GoOn() && m_req.Rcv.Full() && m_req.LineHandler == TLineHandler::Header)
        LineTooLong();
}

void THttpCli::HandleHeaderLine(const std::string& line)
{
    if (m_req.HeaderLines == 0 && !Raise(OnHeaderBegin, this))
        return;
    ++m_req.HeaderLines;

    if (IsHeaderlessHtml(line)) {
        // A page with no header at all: everything is body.
        qCDebug(lcHttp, "no response head: the page is all body");
        if (m_contentType.empty())
            m_contentType = "text/html";
        if (EnterBody())
            DeliverBody(line.data(), static_cast<int>(line.size()));
        return;
    }
    if (line.empty()) {
        HeaderEnd();
        return;
    }

    m_req.RcvdHeader.push_back(line);
    if (m_req.KeepAliveSent)
        m_req.Head.Line(line);
    const THeaderLine parsed = ParseHeaderLine(line);
    if (parsed.Kind == THeaderLineKind::Status) {
        qCDebug(lcHttp, "status: %s", line.c_str());
        m_req.StatusCode = parsed.StatusCode;
        m_reasonPhrase = parsed.ReasonPhrase;
    } else if (parsed.Kind == THeaderLineKind::Field) {
        HandleHeaderField(parsed.Name, parsed.Value);
    }
    // An error response is not read further than what has arrived already.
    if (Raise(OnHeaderData, this) && m_req.StatusCode >= 400)
        CloseConnection();
}

void THttpCli::HandleHeaderField(const std::string& name, const std::string& value)
{
    if (name == "location") {
        // A value with control bytes could add a line to the next request.
        if (!IsUsableLocation(value)) {
            qCDebug(lcHttp, "relocation ignored: its target holds control bytes");
            return;
        }
        m_req.LocationPending = true;
        m_req.Route = RelocatedRoute(m_req.Route, value, !Proxy.empty());
        m_req.Location = m_req.Route.RequestPath;
        qCDebug(lcHttp, "relocation to %s", value.c_str());
    } else if (name == "content-length") {
        m_contentLength = ParseContentLength(value);
        m_req.DeclaredLength = m_contentLength;
    } else if (name == "content-type") {
        m_contentType = LowerCase(value);
    } else if (name == "www-authenticate") {
        m_authChallenges.push_back(value);
    }
}

void THttpCli::HeaderEnd()
{
    m_req.HeadBytes = 0;
    if (m_req.KeepAliveSent && IsInterimStatus(m_req.StatusCode)) {
        // Only an announcement (an HTTP/1.1 server's "100 Continue", say):
        // the final response's head comes next.
        m_req.HeaderLines = 0;
        return;
    }
    const bool headRequest = m_req.Kind == httpHead;
    if (m_req.LocationPending) {
        if (!Raise(OnHeaderEnd, this))
            return;
        m_req.HeaderLines = 0;
        m_req.BodyChunks = 0;
        m_req.DeclaredLength = -1;
        m_req.ClosedLeadsToRelocation = true;
        if (m_req.KeepAliveSent) {
            // A relocation that stays on the server goes over this connection
            // once the body that came with it has been read and dropped.
            const TResponseFraming framing
                = FrameResponse(m_req.Head, m_req.StatusCode, headRequest);
            if (framing.Reusable && EndpointOf(m_req.Route) == m_req.Endpoint) {
                m_req.Draining = true;
                ArmFraming(framing);
                TakeFramedBody();
                return;
            }
        }
        m_req.Rcv.Clear();
        CloseConnection();
        return;
    }
    m_req.DocName = DocNameForContentType(m_req.DocName, m_contentType);
    if (!EnterBody())
        return;
    if (m_req.KeepAliveSent) {
        const TResponseFraming framing = FrameResponse(m_req.Head, m_req.StatusCode, headRequest);
        if (framing.End != TBodyEnd::Close) {
            ArmFraming(framing);
            TakeFramedBody();
            return;
        }
    }
    if (m_req.Rcv.Count() > 0)
        DeliverBuffer();
}

void THttpCli::ArmFraming(const TResponseFraming& framing)
{
    m_req.Framed = true;
    m_req.BodyEnd = framing.End;
    m_req.BodyLeft = framing.Length;
    m_req.Chunks = TChunkedDecoder();
    m_req.Reusable = framing.Reusable;
}

void THttpCli::TakeFramedBody()
{
    const TEventGuard guard = Guard();
    const char* data = m_req.Rcv.Data();
    const auto count = static_cast<std::size_t>(m_req.Rcv.Count());
    std::size_t used = 0;
    bool ended = m_req.BodyEnd == TBodyEnd::None
        || (m_req.BodyEnd == TBodyEnd::Length && m_req.BodyLeft == 0);
    while (!ended && used < count) {
        std::size_t from = used;
        std::size_t len = 0;
        if (m_req.BodyEnd == TBodyEnd::Length) {
            len = static_cast<std::size_t>(
                std::min<std::int64_t>(static_cast<std::int64_t>(count - used), m_req.BodyLeft));
            used += len;
            m_req.BodyLeft -= static_cast<std::int64_t>(len);
            ended = m_req.BodyLeft == 0;
        } else {
            const TChunkedDecoder::TPiece piece = m_req.Chunks.Take(data + used, count - used);
            from = used + piece.DataFrom;
            len = piece.DataLen;
            used += piece.Used;
            ended = m_req.Chunks.Done();
            if (m_req.Chunks.Failed()) {
                // The body's end cannot be found: it ends with the connection.
                qCDebug(lcHttp, "a chunked body that is not well formed: the connection is closed");
                m_req.Framed = false;
                m_req.Draining = false;
                m_req.Rcv.Clear();
                CloseConnection();
                return;
            }
        }
        // Straight from the buffer: a handler pumping events cannot refill it
        // meanwhile, as data reports wait until this block is done.
        if (len > 0 && !m_req.Draining && !DeliverBody(data + from, static_cast<int>(len))) {
            if (guard.Same())
                m_req.Rcv.Clear();
            return;
        }
    }
    if (!ended) {
        m_req.Rcv.Clear();
        return;
    }
    FramedBodyEnded(used < count);
}

void THttpCli::FramedBodyEnded(bool leftover)
{
    m_req.Framed = false;
    m_req.Rcv.Clear();
    const bool draining = m_req.Draining;
    m_req.Draining = false;
    if (leftover)
        qCDebug(lcHttp, "bytes after the end of the response: the connection is closed");
    if (!m_req.Reusable || leftover || m_socket->State() != wsConnected) {
        // Its close ends the request, or leads to the relocation's new connection.
        CloseConnection();
        return;
    }
    m_kept = m_req.Endpoint;
    m_req.Connected = false;
    if (draining) {
        m_req.ClosedLeadsToRelocation = false;
        RelocationStep();
        return;
    }
    EndOfRequest();
}

bool THttpCli::EnterBody()
{
    if (!SetState(httpWaitingBody))
        return false;
    m_req.LineHandler = TLineHandler::Body;
    return Raise(OnHeaderEnd, this);
}

void THttpCli::DeliverBuffer()
{
    // The buffer is emptied even when a handler raises: the next block must
    // not deliver these bytes a second time.
    const TEventGuard guard = Guard();
    const TScopeExit empty([&] {
        if (guard.Same())
            m_req.Rcv.Clear();
    });
    DeliverBody(m_req.Rcv.Data(), m_req.Rcv.Count());
}

bool THttpCli::DeliverBody(const char* data, int len)
{
    if (m_req.BodyChunks == 0 && !Raise(OnDocBegin, this))
        return false;
    ++m_req.BodyChunks;
    m_req.RcvdCount += len;
    if (!Raise(OnDocData, this, data, len))
        return false;
    if (RcvdStream)
        RcvdStream->write(data, len);
    return true;
}
