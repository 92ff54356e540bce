// Notifications, the receive loop, the send chain, line mode and waiting.
#include "net/socket/WSocket.h"

#include "net/socket/SocketEngine.h"
#include "net/socket/WSocketPrivate.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <memory>

namespace {

// Blocks offered to one gathered send: enough to fill a loopback socket
// buffer in a few calls without a long scan of the chain.
constexpr int MaxGather = 128;

// Drained blocks kept for reuse (about 1.5 MB): bulk sends then cycle through
// warm memory instead of allocating and freeing a block per 1514 bytes.
constexpr size_t MaxSpare = 1024;

// The longest one read report hands bytes to the owner before the event loop
// gets its turn: the window repaints and takes clicks while a body streams in.
constexpr std::chrono::milliseconds ReadReportSlice { 20 };

bool closesOnSend(int code)
{
    return code == SocketErrors::ConnReset || code == SocketErrors::NotSocket
        || code == SocketErrors::NotConnected || code == SocketErrors::InvalidArgument;
}

} // namespace

// ---- readiness ----------------------------------------------------------------

void TCustomWSocket::onReadable(TSocket fd)
{
    if (fd != m_hSocket || m_paused)
        return;
    if (m_state == wsListening && !m_datagram) {
        // Like the platform: one report until the owner accepts.
        m_p->readSuspended = true;
        updateNotifiers();
        Do_FD_ACCEPT(0);
        return;
    }
    if (m_datagram) {
        Do_FD_READ(0);
        return;
    }
    int waiting = 0;
    if (SocketEngine::bytesWaiting(fd, waiting) == 0 && waiting > 0) {
        Do_FD_READ(0);
        return;
    }
    // Readable with nothing to read: the peer closed (0) or the connection failed.
    int got = 0;
    const int rc = SocketEngine::peek(fd, got);
    if (rc == 0 && got > 0) {
        Do_FD_READ(0);
        return;
    }
    if (rc == SocketErrors::WouldBlock)
        return;
    const TEventGuard guard = Guard();
    Do_FD_CLOSE(rc);
    if (guard.GoOn()) {
        // Still open (for instance while connecting): stop the endless report.
        m_p->wantRead = false;
        updateNotifiers();
    }
}

void TCustomWSocket::onWritable(TSocket fd)
{
    if (fd != m_hSocket || m_paused)
        return;
    m_p->wantWrite = false;
    updateNotifiers();
    if (m_state == wsConnecting) {
        int error = 0;
        if (const int rc = SocketEngine::pendingError(fd, error); rc != 0)
            error = rc;
        const TEventGuard guard = Guard();
        Do_FD_CONNECT(error);
        if (!guard.GoOn() || error != 0 || m_state != wsConnected)
            return;
        // The platform reports writability right after a successful connect.
    }
    Do_FD_WRITE(0);
}

bool TCustomWSocket::TriggerSessionConnected(int error)
{
    return Raise(OnSessionConnected, this, EventCode(error));
}

bool TCustomWSocket::TriggerDataAvailable(int error)
{
    if (!OnDataAvailable)
        return false;
    // The receive loop asks its own guard: this answer says who took the bytes.
    Raise(OnDataAvailable, this, EventCode(error));
    return true;
}

bool TCustomWSocket::TriggerDataSent(int error)
{
    return Raise(OnDataSent, this, EventCode(error));
}

bool TCustomWSocket::TriggerSessionClosed(int error)
{
    return Raise(OnSessionClosed, this, EventCode(error));
}

void TCustomWSocket::Do_FD_READ(int error)
{
    // Readiness is level-triggered: bytes left when the loop yields raise the
    // next report as soon as the event loop has handled what else is waiting.
    receiveLoop(error, ReadReportSlice);
}

void TCustomWSocket::Do_FD_WRITE(int error)
{
    const TEventGuard guard = Guard();
    tryToSend();
    if (!guard.GoOn())
        return;
    if (m_allSent)
        TriggerDataSent(error);
}

void TCustomWSocket::Do_FD_ACCEPT(int error)
{
    Raise(OnSessionAvailable, this, EventCode(error));
}

void TCustomWSocket::Do_FD_CLOSE(int error)
{
    if (m_state == wsConnecting)
        return;
    qCDebug(lcSocket, "socket %d: closed by the peer (error %d)", m_hSocket, error);
    const TEventGuard guard = Guard();
    // Data that arrived before the close goes first.
    receiveLoop(0);
    if (!guard.GoOn()) {
        // Freed, or the handle was closed meanwhile (by the owner, or by the
        // line reader meeting the end); that close has been reported already.
        return;
    }
    if (m_lineMode) {
        m_lineMode = false;
        m_lineDone = true;
    }
    if (!m_closeReported) {
        m_closeReported = true;
        if (!TriggerSessionClosed(error))
            return; // freed, or closed (and maybe connected again) by the handler
    }
    if (m_state != wsClosed)
        Close();
}

// ---- receiving ----------------------------------------------------------------

void TCustomWSocket::receiveLoop(int error, std::chrono::milliseconds yieldAfter)
{
    const TEventGuard guard = Guard();
    const auto started = std::chrono::steady_clock::now();
    for (;;) {
        const unsigned readsBefore = m_p->reads;
        m_lastError = 0;
        try {
            if (m_lineMode) {
                readLineBytes();
            } else if (TriggerDataAvailable(error)) {
                // Taken by the owner (or the layer above).
            } else if (m_hSocket != INVALID_SOCKET) {
                char discard[1024];
                int got = 0;
                const int rc = SocketEngine::recv(m_hSocket, discard, sizeof discard, got);
                ++m_p->reads;
                if (rc == SocketErrors::WouldBlock)
                    break;
                m_lastError = rc;
            }
        } catch (...) {
            // An exception from one pass ends this notification's loop and goes
            // no further: the event loop must not see it. A pass that read
            // nothing rests the reports like any other, or the level-triggered
            // readiness would call the failing handler without end.
            if (guard.GoOn() && m_p->reads == readsBefore) {
                m_p->readSuspended = true;
                updateNotifiers();
            }
            break;
        }
        if (!guard.Alive())
            return;
        if (m_lastError != 0 || m_hSocket == INVALID_SOCKET || !guard.GoOn())
            break;
        if (m_lineMode && m_lineDone)
            break;
        int waiting = 0;
        if (const int rc = SocketEngine::bytesWaiting(m_hSocket, waiting); rc != 0) {
            m_lastError = rc;
            break;
        }
        if (waiting == 0) {
            if (m_datagram && m_p->reads == readsBefore)
                dropEmptyDatagram();
            break;
        }
        if (m_p->reads == readsBefore) {
            // The owner left the bytes waiting: wait for its next read rather
            // than calling it again and again.
            m_p->readSuspended = true;
            updateNotifiers();
            break;
        }
        if (yieldAfter.count() != 0 && std::chrono::steady_clock::now() - started >= yieldAfter)
            break;
    }
}

void TCustomWSocket::dropEmptyDatagram()
{
    // A zero-length datagram counts as no bytes waiting, yet keeps the socket
    // readable: an owner that reads only what is counted would be called
    // without end. It carries nothing, so it is taken off the queue here.
    int got = 0;
    if (SocketEngine::peek(m_hSocket, got) == 0 && got == 0) {
        char c = 0;
        SocketEngine::recv(m_hSocket, &c, 1, got);
    }
}

int TCustomWSocket::Receive(void* buffer, int len)
{
    const int got = ReceiveBytes(buffer, len);
    if (got > 0)
        m_readCount += got;
    return got;
}

int TCustomWSocket::ReceiveBytes(void* buffer, int len)
{
    if (m_hSocket == INVALID_SOCKET) {
        m_lastError = SocketErrors::NotSocket;
        return -1;
    }
    if (len <= 0)
        return 0;
    // Only a real read counts as progress: a handler asking for nothing must
    // not keep the receive loop calling it.
    ++m_p->reads;
    TCustomWSocket::ResumeDataReports();
    int got = 0;
    if (const int rc = SocketEngine::recv(m_hSocket, buffer, len, got); rc != 0) {
        m_lastError = rc;
        return -1;
    }
    return got;
}

std::string TCustomWSocket::ReceiveStr()
{
    const int waiting = RcvdCount();
    if (waiting <= 0)
        return {};
    std::string s(static_cast<size_t>(waiting), '\0');
    const int got = Receive(s.data(), waiting);
    s.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return s;
}

// ---- sending ------------------------------------------------------------------

int TCustomWSocket::Send(const void* data, int len)
{
    if (m_state != wsConnected) {
        SocketError("Send", SocketErrors::NotConnected);
        return -1;
    }
    if (len <= 0)
        return 0;
    m_allSent = false;
    const char* p = static_cast<const char*>(data);
    if (m_datagram) {
        // One send is one datagram: it gets a block of its own.
        m_bufList.emplace_back(std::max(len, TBuffer::DefaultSize)).Write(p, len);
    } else {
        int left = len;
        while (left > 0) {
            if (m_bufList.empty())
                appendBlock();
            const int n = m_bufList.back().Write(p, left);
            if (n == 0) {
                appendBlock();
                continue;
            }
            p += n;
            left -= n;
        }
    }
    const TEventGuard guard = Guard();
    tryToSend();
    // A failed send closes and reports it; the close handler may have freed us.
    if (guard.GoOn() && m_allSent)
        post(&TCustomWSocket::Do_FD_WRITE, 0);
    return len;
}

int TCustomWSocket::SendStr(const std::string& text)
{
    return Send(text.data(), static_cast<int>(text.size()));
}

void TCustomWSocket::tryToSend()
{
    if (m_hSocket == INVALID_SOCKET || m_bufList.empty())
        return;
    std::array<SocketEngine::ConstBuf, MaxGather> parts;
    for (;;) {
        while (m_bufList.size() > 1 && m_bufList.front().Unsent() == 0) {
            if (m_spareBufs.size() < MaxSpare
                && m_bufList.front().BufSize() == TBuffer::DefaultSize)
                m_spareBufs.push_back(std::move(m_bufList.front()));
            m_bufList.pop_front();
        }
        int count = 0;
        int total = 0;
        for (auto it = m_bufList.begin(); it != m_bufList.end() && count < MaxGather; ++it) {
            int n = 0;
            const char* d = it->Peek(n);
            if (n == 0)
                break;
            parts[static_cast<size_t>(count++)] = { d, n };
            total += n;
            if (m_datagram)
                break;
        }
        if (total == 0) {
            m_allSent = true;
            return;
        }
        int sent = 0;
        const int rc = m_datagram ? SocketEngine::sendTo(
                           m_hSocket, parts[0].data, parts[0].len, m_sinAddr, m_sinPort, sent)
                                  : SocketEngine::sendv(m_hSocket, parts.data(), count,
                                      m_sendFlags == wsSendUrgent, sent);
        if (rc == SocketErrors::WouldBlock) {
            m_p->wantWrite = true;
            updateNotifiers();
            return;
        }
        if (rc != 0 && closesOnSend(rc)) {
            m_closeReported = true;
            const TEventGuard guard = Guard();
            Close();
            if (guard.Alive())
                TriggerSessionClosed(rc);
            return;
        }
        if (rc != 0) {
            SocketError("TryToSend failed", rc);
            return;
        }
        if (m_datagram) {
            // A datagram goes whole or not at all.
            m_bufList.front().Remove(total);
            if (m_bufList.size() > 1)
                m_bufList.pop_front();
            continue;
        }
        const bool partial = sent < total;
        // Mark the sent bytes off block by block.
        for (auto it = m_bufList.begin(); sent > 0 && it != m_bufList.end(); ++it)
            sent -= it->Remove(sent);
        if (partial) {
            // The kernel took what it could; go on at the next writability.
            m_p->wantWrite = true;
            updateNotifiers();
            return;
        }
    }
}

void TCustomWSocket::appendBlock()
{
    if (m_spareBufs.empty()) {
        m_bufList.emplace_back();
        return;
    }
    m_bufList.push_back(std::move(m_spareBufs.back()));
    m_spareBufs.pop_back();
}

void TCustomWSocket::deleteBufferedData()
{
    m_bufList.clear();
}
