// Line mode and the waiting operations.
#include "net/socket/WSocket.h"

#include "net/socket/SocketEngine.h"
#include "net/socket/WSocketPrivate.h"
#include "net/socket/WaitControl.h"

#include <QDeadlineTimer>

namespace {

// Once a line holds more than this many characters it is handed out as ended
// and OnLineTooLong is raised. Line mode reads short protocol replies; a peer
// that never sends a line end cannot make one line grow without bound.
constexpr size_t MaxLineLength = 253;

} // namespace

bool TCustomWSocket::waitUntil(const std::function<bool()>& done, std::int64_t timeoutSecs)
{
    const TEventGuard guard = Guard();
    if (!m_multiThreaded) {
        // The wait control dispatches the events and shows the count; the
        // socket may be freed by a handler meanwhile, so that is asked first.
        m_waitCtrl->WaitFor(
            static_cast<int>(timeoutSecs), [&] { return !guard.Alive() || done(); });
        return guard.Alive() && done();
    }
    QDeadlineTimer deadline(
        timeoutSecs < 0 ? QDeadlineTimer::Forever : QDeadlineTimer(timeoutSecs * 1000));
    while (!done()) {
        const qint64 left = deadline.remainingTime();
        if (left == 0)
            return false;
        WaitForEvents(left < 0 || left > 1000 ? 1000 : static_cast<int>(left));
        if (!guard.Alive())
            return false;
    }
    return true;
}

bool TCustomWSocket::WaitForState(TSocketState state, int timeoutSecs)
{
    if (!m_multiThreaded && m_waitCtrl == nullptr) {
        SocketError("TWSocket.Wait", SocketErrors::NoData);
        return false;
    }
    // Without dispatching of its own, a wait for the connection also ends
    // when the connection attempt closes instead.
    const bool closedEnds = !m_multiThreaded && state == wsConnected;
    const TEventGuard guard = Guard();
    waitUntil([this, state,
                  closedEnds] { return m_state == state || (closedEnds && m_state == wsClosed); },
        timeoutSecs);
    // False also when a handler destroyed the socket meanwhile.
    return guard.Alive() && m_state == state;
}

std::string TCustomWSocket::ReadLine(int timeoutSecs)
{
    if (!m_multiThreaded && m_waitCtrl == nullptr) {
        RaiseException("No wait object assigned");
        return {};
    }
    m_lineBuffer.clear();
    m_lineMode = true;
    m_lineDone = false;
    const TEventGuard guard = Guard();
    // However the wait ends (a failure or a handler's exception included),
    // line mode ends with it, or later data would go on feeding a line
    // nobody reads; the reports rested meanwhile come again.
    const TScopeExit leaveLineMode([&] {
        if (guard.Alive()) {
            m_lineMode = false;
            ResumeDataReports();
        }
    });
    // Bytes that are waiting already will not be reported again.
    readLineBytes();
    if (!guard.Alive()) // the close it met was reported to a handler that freed us
        return {};
    waitUntil(
        [this] { return m_lineDone || !m_lineMode || m_hSocket == INVALID_SOCKET; }, timeoutSecs);
    if (!guard.Alive())
        return {};
    std::string line;
    line.swap(m_lineBuffer);
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
            Raise(OnLineTooLong, this); // the callers ask their own guards
            return;
        }
    }
}

void TCustomWSocket::Flush()
{
    if (!m_multiThreaded && m_waitCtrl == nullptr) {
        SocketError("TWSocket.Wait", SocketErrors::NoData);
        return;
    }
    const TEventGuard guard = Guard();
    tryToSend();
    if (!guard.Alive()) // a failed send's close report freed the socket
        return;
    // Writability reports drive the chain. Dispatching itself, the socket
    // sets no time limit, as the handle going away also ends the wait; the
    // wait control shows FlushTimeout.
    waitUntil([this] { return m_allSent || m_hSocket == INVALID_SOCKET; },
        m_multiThreaded ? -1 : m_flushTimeout);
}
