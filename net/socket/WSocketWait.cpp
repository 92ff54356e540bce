// Line mode and the waiting operations.
#include "net/socket/WSocket.h"

#include "net/socket/SocketEngine.h"
#include "net/socket/WSocketPrivate.h"

#include <QDeadlineTimer>

namespace {

// Once a line holds more than this many characters it is handed out as ended
// and OnLineTooLong is raised. Line mode reads short protocol replies; a peer
// that never sends a line end cannot make one line grow without bound.
constexpr size_t MaxLineLength = 253;

} // namespace

bool TCustomWSocket::waitUntil(const std::function<bool()>& done, std::int64_t timeoutMs)
{
    const Private::Guard guard(*m_p);
    QDeadlineTimer deadline(timeoutMs < 0 ? QDeadlineTimer::Forever : QDeadlineTimer(timeoutMs));
    while (!done()) {
        const qint64 left = deadline.remainingTime();
        if (left == 0)
            return false;
        WaitForEvents(left < 0 || left > 1000 ? 1000 : static_cast<int>(left));
        if (guard.Destroyed())
            return false;
    }
    return true;
}

bool TCustomWSocket::WaitForState(TSocketState state, int timeoutSecs)
{
    if (!m_multiThreaded) {
        // Waiting without dispatching needs a wait control, which this socket lacks.
        SocketError("TWSocket.Wait", SocketErrors::NoData);
        return false;
    }
    // False also when a handler destroyed the socket meanwhile.
    return waitUntil(
        [this, state] { return m_state == state; }, std::int64_t { timeoutSecs } * 1000);
}

std::string TCustomWSocket::ReadLine(int timeoutSecs)
{
    if (!m_multiThreaded) {
        RaiseException("No wait object assigned");
        return {};
    }
    m_lineBuffer.clear();
    m_lineMode = true;
    m_lineDone = false;
    const Private::Guard guard(*m_p);
    try {
        // Bytes that are waiting already will not be reported again.
        readLineBytes();
        if (guard.Destroyed()) // the close it met was reported to a handler that freed us
            return {};
        waitUntil([this] { return m_lineDone || !m_lineMode || m_hSocket == INVALID_SOCKET; },
            std::int64_t { timeoutSecs } * 1000);
    } catch (...) {
        // A failure (or a handler's exception) leaves line mode too, or later
        // data would go on feeding a line nobody reads.
        if (!guard.Destroyed()) {
            m_lineMode = false;
            ResumeDataReports();
        }
        throw;
    }
    if (guard.Destroyed())
        return {};
    m_lineMode = false;
    std::string line;
    line.swap(m_lineBuffer);
    ResumeDataReports();
    return line;
}

void TCustomWSocket::readLineBytes()
{
    // One byte per read: the bytes after the line end stay in the socket for
    // the next reader.
    while (m_lineMode && !m_lineDone && m_hSocket != INVALID_SOCKET) {
        int waiting = 0;
        if (const int rc = SocketEngine::bytesWaiting(m_hSocket, waiting); rc != 0) {
            SocketError("ioctlSocket", rc);
            return;
        }
        char c = 0;
        int got = 0;
        const int rc = SocketEngine::recv(m_hSocket, &c, 1, got);
        ++m_p->reads;
        if (rc == SocketErrors::WouldBlock)
            return;
        if ((rc == 0 && got == 0) || rc == SocketErrors::ConnReset) {
            m_lineMode = false;
            m_lineDone = true;
            Close();
            return;
        }
        if (rc != 0) {
            SocketError("ReadLine", rc);
            return;
        }
        ++m_readCount;
        if (c == '\n') {
            m_lineDone = true;
            return;
        }
        if (c != '\r')
            m_lineBuffer += c;
        if (m_lineBuffer.size() > MaxLineLength) {
            m_lineDone = true;
            if (OnLineTooLong)
                OnLineTooLong(this);
            return;
        }
    }
}

void TCustomWSocket::Flush()
{
    if (!m_multiThreaded) {
        SocketError("TWSocket.Wait", SocketErrors::NoData);
        return;
    }
    const Private::Guard guard(*m_p);
    tryToSend();
    if (guard.Destroyed()) // a failed send's close report freed the socket
        return;
    // Writability reports drive the chain; no time limit, as the handle
    // going away also ends the wait.
    waitUntil([this] { return m_allSent || m_hSocket == INVALID_SOCKET; }, -1);
}
