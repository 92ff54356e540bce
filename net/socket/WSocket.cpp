// TCustomWSocket: properties, the error route, the handle and its notifiers.
//
// Invariants a change must keep:
// - A handler may do anything with the socket: read, send, close, abort,
//   connect again, destroy it, or pump the event loop and let other
//   notifications run inside it. Two events are exceptions, as they are told
//   in the middle of an operation that goes on after them: OnChangeState and
//   OnError handlers may read the socket but not close, reopen or free it.
// - Every event goes out through Raise (the Trigger functions use it too).
//   Afterwards, and after any call that may raise one (a send that fails, the
//   receive loop, Close, a Do_FD_ entry), the raiser touches the socket only
//   when its guard allows: GoOn when it goes on with the handle of that moment
//   (a handler may have closed it, or closed it and connected again), Alive
//   when it only needs the object.
// - Readiness comes from the notifiers, which are switched off before a
//   handle is closed. Notifications the socket posts to itself (a connect
//   outcome the platform gave at once, the sent report of a send that went
//   out whole) run later from the event loop, carry the handle generation and
//   are dropped when the handle has changed, while paused, and with the socket.
// - A layer above (the SOCKS client, the TLS client) takes events over by
//   overriding the Trigger functions and asks the same guards.
#include "net/socket/WSocket.h"

#include "net/socket/SocketEngine.h"
#include "net/socket/WSocketPrivate.h"
#include "platform/TextSearch.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <array>
#include <string_view>
#include <sys/socket.h>

namespace {

// What a written Addr, Port or Proto loses at either end: spaces and every
// control character, the bytes 0 to 32.
constexpr auto BlankBytes = [] {
    std::array<char, 33> bytes {};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i);
    return bytes;
}();
constexpr std::string_view Blanks(BlankBytes.data(), BlankBytes.size());

} // namespace

Q_LOGGING_CATEGORY(lcSocket, "skelvo.socket", QtInfoMsg)

std::string TCustomWSocket::TrimProperty(const std::string& value)
{
    return std::string(Trim(value, Blanks));
}

TCustomWSocket::TCustomWSocket()
    : TEventRaiser(&m_handleGeneration)
    , m_p(std::make_unique<Private>())
{
    QObject::connect(&m_p->readNotifier, &QSocketNotifier::activated,
        [this](QSocketDescriptor fd) { onReadable(static_cast<TSocket>(qintptr(fd))); });
    QObject::connect(&m_p->writeNotifier, &QSocketNotifier::activated,
        [this](QSocketDescriptor fd) { onWritable(static_cast<TSocket>(qintptr(fd))); });
    AssignDefaultValue();
}

TCustomWSocket::~TCustomWSocket()
{
    m_destroying = true;
    // The owner is usually being torn down too: nothing is raised into it now.
    OnDnsLookupDone = nullptr;
    OnSessionConnected = nullptr;
    OnDataAvailable = nullptr;
    OnDataSent = nullptr;
    OnSessionClosed = nullptr;
    OnSessionAvailable = nullptr;
    OnChangeState = nullptr;
    OnLineTooLong = nullptr;
    OnError = nullptr;
    m_p->dnsLookup.cancel();
    try {
        if (m_state != wsClosed)
            InternalClose(true, 0);
    } catch (...) {
        // A destructor reports nothing.
    }
    closeHandle();
}

// ---- properties -------------------------------------------------------------

void TCustomWSocket::SetAddr(const std::string& value)
{
    if (m_state != wsClosed) {
        RaiseException("Cannot change Addr if not closed");
        return;
    }
    const std::string v = TrimProperty(value);
    if (m_addrAssigned && v == m_addr)
        return;
    m_addr = v;
    m_addrAssigned = !v.empty();
    m_addrResolved = false;
}

void TCustomWSocket::SetPort(const std::string& value)
{
    if (m_state != wsClosed) {
        RaiseException("Cannot change Port if not closed");
        return;
    }
    const std::string v = TrimProperty(value);
    if (m_portAssigned && v == m_port)
        return;
    m_port = v;
    m_portAssigned = !v.empty();
    m_portResolved = false;
}

void TCustomWSocket::SetProto(const std::string& value)
{
    if (m_state != wsClosed) {
        RaiseException("Cannot change Proto if not closed");
        return;
    }
    const std::string v = TrimProperty(value);
    if (m_protoAssigned && v == m_proto)
        return;
    m_proto = v;
    m_protoAssigned = !v.empty();
    m_protoResolved = false;
}

void TCustomWSocket::SetSendFlags(TSocketSendFlags value)
{
    if (value != wsSendNormal && value != wsSendUrgent) {
        RaiseException("Invalid SendFlags");
        return;
    }
    m_sendFlags = value;
}

int TCustomWSocket::RcvdCount()
{
    if (m_hSocket == INVALID_SOCKET)
        return 0;
    int count = 0;
    if (SocketEngine::bytesWaiting(m_hSocket, count) != 0)
        return -1;
    return count;
}

void TCustomWSocket::SetResolvedEndpoint(std::uint32_t addr, std::uint16_t port)
{
    m_sinAddr = addr;
    m_sinPort = port;
    m_addrResolved = m_portResolved = true;
}

void TCustomWSocket::AssignDefaultValue()
{
    m_addr.clear();
    m_port.clear();
    m_addrAssigned = m_portAssigned = false;
    m_addrResolved = m_portResolved = false;
    m_proto = "tcp";
    m_protoAssigned = m_protoResolved = true;
    m_protoNum = 6;
    m_datagram = false;
    m_lingerOnOff = wsLingerOn;
    m_lingerTimeout = 0;
    closeHandle();
    m_state = wsClosed;
    m_readCount = 0;
    m_lineMode = false;
    m_paused = false;
    m_closeReported = false;
    m_allSent = true;
    m_flushTimeout = 60;
    deleteBufferedData();
    m_spareBufs.clear();
}

void TCustomWSocket::ChangeState(TSocketState newState)
{
    const TSocketState old = m_state;
    if (old == newState)
        return;
    m_state = newState;
    Raise(OnChangeState, this, old, newState);
}

// ---- error route --------------------------------------------------------------

void TCustomWSocket::RaiseException(const std::string& msg)
{
    if (OnError) {
        Raise(OnError, this);
        return;
    }
    throw ESocketException(msg);
}

void TCustomWSocket::SocketError(const std::string& op, int code)
{
    m_lastError = code;
    if (code == SocketErrors::ConnReset || code == SocketErrors::NotConnected) {
        // The connection is gone: drop the handle now, silently.
        closeHandle();
        ChangeState(wsClosed);
    }
    RaiseException(
        "Error " + std::to_string(code) + " in function " + op + "\r\n" + WSocketErrorText(code));
}

// ---- handle and notifiers -----------------------------------------------------

void TCustomWSocket::attachHandle(TSocket fd)
{
    closeHandle();
    m_hSocket = fd;
    ++m_handleGeneration;
    m_p->readNotifier.setSocket(fd);
    m_p->writeNotifier.setSocket(fd);
    m_p->wantRead = m_p->wantWrite = m_p->readSuspended = m_p->readShut = false;
}

int TCustomWSocket::closeHandle()
{
    if (m_hSocket == INVALID_SOCKET)
        return 0;
    // The event loop must forget the descriptor before it is closed and reused,
    // and notifications posted for it must not reach whatever comes next.
    m_p->readNotifier.setEnabled(false);
    m_p->writeNotifier.setEnabled(false);
    m_p->wantRead = m_p->wantWrite = false;
    ++m_handleGeneration;
    const int rc = SocketEngine::close(m_hSocket);
    m_hSocket = INVALID_SOCKET;
    return rc;
}

void TCustomWSocket::watch(bool read, bool write)
{
    m_p->wantRead = read;
    m_p->wantWrite = write;
    updateNotifiers();
}

void TCustomWSocket::updateNotifiers()
{
    const bool on = m_hSocket != INVALID_SOCKET && !m_paused;
    m_p->readNotifier.setEnabled(on && m_p->wantRead && !m_p->readSuspended && !m_p->readShut);
    m_p->writeNotifier.setEnabled(on && m_p->wantWrite);
}

void TCustomWSocket::ResumeDataReports()
{
    if (m_p->readSuspended) {
        m_p->readSuspended = false;
        updateNotifiers();
    }
}

void TCustomWSocket::PostDataReport()
{
    post(&TCustomWSocket::Do_FD_READ, 0);
}

void TCustomWSocket::PostCloseReport(int error)
{
    post(&TCustomWSocket::Do_FD_CLOSE, error);
}

void TCustomWSocket::post(void (TCustomWSocket::*notify)(int), int error)
{
    QMetaObject::invokeMethod(
        &m_p->target,
        [this, notify, error, gen = m_handleGeneration] {
            if (gen == m_handleGeneration && !m_paused)
                (this->*notify)(error);
        },
        Qt::QueuedConnection);
}

bool TCustomWSocket::applyLinger()
{
    if (m_lingerOnOff == wsLingerNoSet)
        return true;
    if (m_hSocket == INVALID_SOCKET) {
        RaiseException("Cannot set linger option at this time");
        return false;
    }
    const int rc = SocketEngine::setLinger(
        m_hSocket, m_lingerOnOff == wsLingerOn, std::clamp(m_lingerTimeout, 0, 65535));
    if (rc != 0) {
        SocketError("setsockopt(SO_LINGER)", rc);
        return false;
    }
    return true;
}

// ---- event loop helpers -------------------------------------------------------

void TCustomWSocket::ProcessMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TCustomWSocket::WaitForEvents(int maxMs)
{
    if (QAbstractEventDispatcher::instance() == nullptr)
        return;
    // The timer bounds the sleep: the dispatcher returns on the first event,
    // and the timer's expiry is one.
    QTimer bound;
    bound.setSingleShot(true);
    bound.start(std::max(0, maxMs));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}
