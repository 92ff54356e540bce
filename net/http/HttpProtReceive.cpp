// THttpCli's receiving side: the receive buffer split into lines, response
// header handling and body delivery.
#include "net/http/HttpHeaderLine.h"
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
    if (m_inReceive) {
        m_receiveDeferred = true;
        return;
    }
    m_inReceive = true;
    m_receiveDeferred = false;
    const unsigned serial = m_requestSerial;
    const auto done = [this, serial] {
        if (serial != m_requestSerial)
            return; // a new request has taken over the client
        m_inReceive = false;
        // The socket stops reporting bytes left unread by the skipped report;
        // ask for them again, also when a handler raised and this pass reads
        // no further.
        if (m_receiveDeferred) {
            m_receiveDeferred = false;
            m_socket->ResumeDataReports();
        }
        if (m_closeDeferred) {
            m_closeDeferred = false;
            Guarded([this] { SocketSessionClosed(); });
        }
    };
    try {
        ReceiveBlock();
    } catch (...) {
        done();
        throw;
    }
    done();
}

void THttpCli::ReceiveBlock()
{
    if (m_rcv.Full())
        LineTooLong();
    const int count = m_socket->Receive(m_rcv.WritePos(), m_rcv.Space());
    if (m_requestType == httpNone || count <= 0)
        return;
    m_rcv.Commit(count);
    if (m_connected)
        m_idleDeadline = Clock::now() + IdleTimeout;

    if (m_state == httpWaitingBody) {
        DeliverBuffer();
        return;
    }
    const unsigned serial = m_requestSerial;
    std::string line;
    while (serial == m_requestSerial && m_rcv.Count() > 0 && m_rcv.TakeLine(line)) {
        // Handlers may change the state or close the connection; the lines
        // already received are still handled, as they arrived together.
        if (m_state != httpWaitingHeader && m_state != httpWaitingBody)
            continue;
        if (m_lineHandler == TLineHandler::Body) {
            DeliverBody(line.data(), static_cast<int>(line.size()));
            continue;
        }
        m_headBytes += static_cast<std::int64_t>(line.size()) + 2;
        if (m_headBytes > MaxHeadBytes) {
            m_rcv.Clear();
            CloseConnection();
            return;
        }
        HandleHeaderLine(line);
    }
    if (serial == m_requestSerial && m_rcv.Full() && m_lineHandler == TLineHandler::Header)
        LineTooLong();
}

void THttpCli::HandleHeaderLine(const std::string& line)
{
    const unsigned serial = m_requestSerial;
    if (m_headerLines == 0 && OnHeaderBegin)
        OnHeaderBegin(this);
    if (serial != m_requestSerial)
        return;
    ++m_headerLines;

    if (IsHeaderlessHtml(line)) {
        // A page with no header at all: everything is body.
        if (m_contentType.empty())
            m_contentType = "text/html";
        SetState(httpWaitingBody);
        m_lineHandler = TLineHandler::Body;
        if (OnHeaderEnd)
            OnHeaderEnd(this);
        if (serial == m_requestSerial)
            DeliverBody(line.data(), static_cast<int>(line.size()));
        return;
    }
    if (line.empty()) {
        HeaderEnd();
        return;
    }

    m_rcvdHeader.push_back(line);
    const THeaderLine parsed = ParseHeaderLine(line);
    if (parsed.Kind == THeaderLineKind::Status) {
        m_statusCode = parsed.StatusCode;
        m_reasonPhrase = parsed.ReasonPhrase;
    } else if (parsed.Kind == THeaderLineKind::Field) {
        HandleHeaderField(parsed.Name, parsed.Value);
    }
    if (OnHeaderData)
        OnHeaderData(this);
    // An error response is not read further than what has arrived already.
    if (serial == m_requestSerial && m_statusCode >= 400)
        CloseConnection();
}

void THttpCli::HandleHeaderField(const std::string& name, const std::string& value)
{
    if (name == "location") {
        // A value with control bytes could add a line to the next request.
        if (!IsUsableLocation(value))
            return;
        m_locationPending = true;
        m_route = RelocatedRoute(m_route, value, !Proxy.empty());
        m_location = m_route.RequestPath;
    } else if (name == "content-length") {
        m_contentLength = ParseContentLength(value);
    } else if (name == "content-type") {
        m_contentType = LowerCase(value);
    } else if (name == "www-authenticate") {
        m_authChallenges.push_back(value);
    }
}

void THttpCli::HeaderEnd()
{
    m_headBytes = 0;
    const unsigned serial = m_requestSerial;
    if (m_locationPending) {
        if (OnHeaderEnd)
            OnHeaderEnd(this);
        if (serial != m_requestSerial)
            return;
        m_rcv.Clear();
        m_headerLines = 0;
        m_bodyChunks = 0;
        m_closedLeadsToRelocation = true;
        CloseConnection();
        return;
    }
    m_docName = DocNameForContentType(m_docName, m_contentType);
    SetState(httpWaitingBody);
    m_lineHandler = TLineHandler::Body;
    if (OnHeaderEnd)
        OnHeaderEnd(this);
    if (serial == m_requestSerial && m_rcv.Count() > 0)
        DeliverBuffer();
}

void THttpCli::DeliverBuffer()
{
    // The buffer is emptied even when a handler raises: the next block must
    // not deliver these bytes a second time.
    struct TEmpty
    {
        THttpCli& cli;
        unsigned serial;
        ~TEmpty()
        {
            if (serial == cli.m_requestSerial)
                cli.m_rcv.Clear();
        }
    } empty { *this, m_requestSerial };
    DeliverBody(m_rcv.Data(), m_rcv.Count());
}

void THttpCli::DeliverBody(const char* data, int len)
{
    if (m_bodyChunks == 0 && OnDocBegin)
        OnDocBegin(this);
    ++m_bodyChunks;
    m_rcvdCount += len;
    if (OnDocData)
        OnDocData(this, data, len);
    if (RcvdStream)
        RcvdStream->write(data, len);
}
