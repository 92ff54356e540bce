#pragma once

#include "net/socket/EventRaiser.h"
#include "net/socket/SocketErrors.h"
#include "net/socket/WSockbuf.h"
#include "net/socket/WSocketException.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QObject;
class QSocketNotifier;
class TWaitControl;

// Connection state of a socket (one byte, values 0 to 7 in this order).
enum TSocketState : std::uint8_t {
    wsInvalidState,
    wsOpened,
    wsBound,
    wsConnecting,
    wsConnected,
    wsAccepting,
    wsListening,
    wsClosed
};

// Flags applied to every send: normal or out-of-band.
enum TSocketSendFlags : std::uint8_t { wsSendNormal, wsSendUrgent };

// Linger behaviour applied when a stream socket is opened.
enum TSocketLingerOnOff : std::uint8_t { wsLingerOff, wsLingerOn, wsLingerNoSet };

// A platform socket handle; INVALID_SOCKET when there is none.
using TSocket = int;
constexpr TSocket INVALID_SOCKET = -1;

class TCustomWSocket;

// Event with the sender and a 16-bit socket error code (0 = success).
using TWSocketErrorEvent = std::function<void(TCustomWSocket* Sender, std::uint16_t Error)>;
// Event raised on every change of State.
using TWSocketChangeStateEvent
    = std::function<void(TCustomWSocket* Sender, TSocketState OldState, TSocketState NewState)>;
// Event with the sender only.
using TWSocketNotifyEvent = std::function<void(TCustomWSocket* Sender)>;

// Resolves a dotted address or host name (blocking lookup, first IPv4 address);
// returns the address in network byte order. Raises ESocketException.
std::uint32_t WSocketResolveHost(const std::string& text);
// Resolves a decimal port or a service name for protocol `proto` ("tcp", "udp");
// returns the port in host byte order. Raises ESocketException.
std::uint16_t WSocketResolvePort(const std::string& text, const std::string& proto);
// Resolves a protocol number or name ("tcp" -> 6). Raises ESocketException.
int WSocketResolveProto(const std::string& text);

// An event-driven, non-blocking TCP/UDP socket over the owning thread's Qt
// event loop. Every operation returns at once; outcomes arrive as events.
// The layers above it (the SOCKS client, and the published TWSocket) are
// declared in WSocket.h.
class TCustomWSocket : protected TEventRaiser
{
public:
    TCustomWSocket();
    virtual ~TCustomWSocket();
    TCustomWSocket(const TCustomWSocket&) = delete;
    TCustomWSocket& operator=(const TCustomWSocket&) = delete;

    // --- properties ---------------------------------------------------------
    // Remote (or, for listening, local) address; writable only while closed.
    const std::string& Addr() const { return m_addr; }
    void SetAddr(const std::string& value);
    // Port number or service name; writable only while closed.
    const std::string& Port() const { return m_port; }
    void SetPort(const std::string& value);
    // Protocol name or number ("tcp" by default; 17 gives a datagram socket).
    const std::string& Proto() const { return m_proto; }
    void SetProto(const std::string& value);
    // First dotted address of the last lookup (host name of a reverse lookup).
    const std::string& DnsResult() const { return m_dnsResult; }
    // Every dotted address of the last lookup.
    const std::vector<std::string>& DnsResultList() const { return m_dnsResultList; }
    // Current state.
    TSocketState State() const { return m_state; }
    // Bytes received through Receive and ReadLine since the defaults were restored.
    std::int64_t ReadCount() const { return m_readCount; }
    // Bytes waiting to be read now (asked of the platform each time); -1 on failure.
    virtual int RcvdCount();
    // Last error code.
    int LastError() const { return m_lastError; }
    // Whether the waiting operations dispatch events themselves (true) or need a wait control.
    bool MultiThreaded() const { return m_multiThreaded; }
    void SetMultiThreaded(bool value) { m_multiThreaded = value; }
    // Wait control the waiting operations use when MultiThreaded is false (not
    // owned: it must outlive the waits, or be cleared first).
    TWaitControl* WaitCtrl() const { return m_waitCtrl; }
    void SetWaitCtrl(TWaitControl* value) { m_waitCtrl = value; }
    // Seconds a flush may wait when a wait control is used; default 60.
    int FlushTimeout() const { return m_flushTimeout; }
    void SetFlushTimeout(int value) { m_flushTimeout = value; }
    // Flags for every send; other values fail with "Invalid SendFlags".
    TSocketSendFlags SendFlags() const { return m_sendFlags; }
    void SetSendFlags(TSocketSendFlags value);
    // Linger setting applied when a stream socket opens; default wsLingerOn.
    TSocketLingerOnOff LingerOnOff() const { return m_lingerOnOff; }
    void SetLingerOnOff(TSocketLingerOnOff value) { m_lingerOnOff = value; }
    // Linger timeout in seconds; default 0 (abortive close).
    int LingerTimeout() const { return m_lingerTimeout; }
    void SetLingerTimeout(int value) { m_lingerTimeout = value; }
    // The platform handle, or INVALID_SOCKET.
    TSocket HSocket() const { return m_hSocket; }

    // --- operations ---------------------------------------------------------
    // Starts a lookup of `host`; OnDnsLookupDone reports the outcome.
    void DnsLookup(const std::string& host);
    // Starts a reverse lookup of a dotted address; DnsResult becomes the host name.
    void ReverseDnsLookup(const std::string& dottedAddr);
    // Cancels a pending lookup, raising OnDnsLookupDone(10004).
    void CancelDnsLookup();
    // Opens the connection to Addr:Port (TCP) or prepares the datagram socket (UDP).
    virtual void Connect();
    // Queues `len` bytes and starts writing; returns len (0 for len <= 0), -1 when not connected.
    virtual int Send(const void* data, int len);
    // Queues the bytes of `text`; returns their count or -1.
    int SendStr(const std::string& text);
    // Reads at most `len` bytes now: the count, 0 when the peer has closed, or -1
    // (LastError 10035 when nothing waits).
    virtual int Receive(void* buffer, int len);
    // Reads all bytes waiting now (empty when none).
    std::string ReceiveStr();
    // Orderly close: shutdown of sending, then close; OnSessionClosed(0) once.
    void Close();
    // Cancels a lookup, drops queued data and closes at once without a shutdown.
    void Abort();
    // Shuts down reading (0), writing (1) or both (2).
    void Shutdown(int how);
    // Sends everything queued before returning (or until the handle is gone).
    void Flush();
    // Line mode: waits up to `timeoutSecs` for one line and returns its characters.
    std::string ReadLine(int timeoutSecs);
    // Dispatches events until State is `state` or `timeoutSecs` pass; true when reached.
    bool WaitForState(TSocketState state, int timeoutSecs);
    // Binds to Addr:Port and listens (stream) or starts receiving (datagram).
    virtual void Listen();
    // Accepts one waiting connection of a listening socket; returns its handle.
    TSocket Accept();
    // Adopts a connected handle (usually from another socket's Accept).
    void Dup(TSocket newHSocket);
    // Stops event delivery: notifications are ignored until Resume.
    void Pause();
    // Restarts event delivery.
    void Resume();
    // Data reports rest after one that read nothing, until the owner reads;
    // an owner that skipped a report on purpose asks for them again here.
    virtual void ResumeDataReports();
    // Dotted address of the peer, or "error" when not connected.
    std::string GetPeerAddr();
    // Local port as decimal text when bound, connected or listening, else "error".
    std::string GetLocalPort();
    // Dispatches every event pending for the calling thread and returns.
    void ProcessMessages();
    // Dispatches pending events of the calling thread; when none is pending,
    // sleeps until the next event or `maxMs` milliseconds (no CPU spin).
    static void WaitForEvents(int maxMs);

    // --- events (raised only when assigned, sender first) ---------------------
    TWSocketErrorEvent OnDnsLookupDone;
    TWSocketErrorEvent OnSessionConnected;
    TWSocketErrorEvent OnDataAvailable;
    TWSocketErrorEvent OnDataSent;
    TWSocketErrorEvent OnSessionClosed;
    TWSocketErrorEvent OnSessionAvailable;
    TWSocketChangeStateEvent OnChangeState;
    TWSocketNotifyEvent OnLineTooLong;
    TWSocketNotifyEvent OnError;

protected:
    // Changes State, then raises OnChangeState.
    void ChangeState(TSocketState newState);
    // Error route for a failed platform call: "Error <code> in function <op>" + text.
    void SocketError(const std::string& op, int code);
    // Error route for a refusal with a fixed text (LastError is left as set).
    void RaiseException(const std::string& msg);
    // Closes with `error` reported to OnSessionClosed; shuts sending down first when `shut`.
    void InternalClose(bool shut, int error);
    // Restores the defaults (after every close).
    virtual void AssignDefaultValue();
    // Connect goes to this endpoint (address in network order, port in host
    // order) instead of resolving Addr and Port, until the defaults are restored.
    void SetResolvedEndpoint(std::uint32_t addr, std::uint16_t port);
    // Receive without counting the bytes in ReadCount.
    int ReceiveBytes(void* buffer, int len);
    // For a layer that hands the owner bytes of its own: counts them in
    // ReadCount, and sets LastError when it has none to hand.
    void CountRead(int count) { m_readCount += count; }
    void SetLastError(int code) { m_lastError = code; }
    // A data report (Do_FD_READ) or the peer's close (Do_FD_CLOSE) raised
    // later from the event loop, for a layer holding received bytes the
    // platform no longer announces. Dropped when the handle changes first.
    void PostDataReport();
    void PostCloseReport(int error);
    // A property value without the spaces and control characters at its ends.
    static std::string TrimProperty(const std::string& value);
    // The 16-bit code an error event carries.
    static std::uint16_t EventCode(int error) { return static_cast<std::uint16_t>(error); }
    // Raise the owner's events; a layer above (the SOCKS client) takes them
    // over while it holds the connection for itself. Each answers whether
    // the caller may go on (the socket alive, its handle unchanged), except
    // TriggerDataAvailable: it returns false when nobody took the report, and
    // the bytes are dropped.
    virtual bool TriggerSessionConnected(int error);
    virtual bool TriggerDataAvailable(int error);
    virtual bool TriggerDataSent(int error);
    virtual bool TriggerSessionClosed(int error);
    // Notification entry points, one per kind (each carries a socket error code).
    virtual void Do_FD_CONNECT(int error);
    virtual void Do_FD_READ(int error);
    virtual void Do_FD_WRITE(int error);
    virtual void Do_FD_ACCEPT(int error);
    virtual void Do_FD_CLOSE(int error);

private:
    struct Private;
    // Common start of both lookups: refuses an empty host, cancels a pending
    // lookup and clears the results; false when the lookup ends here.
    bool beginLookup(const std::string& host);
    void lookupDone(int error, const std::vector<std::string>& results);
    void resolveAll(bool withAddr);
    bool applyLinger();
    void attachHandle(TSocket fd);
    // Closes the handle (if any) and forgets it; returns the close's error code.
    int closeHandle();
    void watch(bool read, bool write);
    void updateNotifiers();
    void post(void (TCustomWSocket::*notify)(int), int error);
    void onReadable(TSocket fd);
    void onWritable(TSocket fd);
    // Hands the waiting bytes to the owner pass after pass. A non-zero
    // `yieldAfter` stops the loop once that much time has gone and leaves the
    // rest to the next read report, so a fast peer cannot hold the thread for
    // a whole body.
    void receiveLoop(int error, std::chrono::milliseconds yieldAfter = {});
    void dropEmptyDatagram();
    void tryToSend();
    void deleteBufferedData();
    void appendBlock();
    void readLineBytes();
    // Waits until `done` holds or `timeoutSecs` pass (no limit when negative):
    // dispatching events itself when MultiThreaded, else through WaitCtrl.
    bool waitUntil(const std::function<bool()>& done, std::int64_t timeoutSecs);

    std::unique_ptr<Private> m_p;
    std::string m_addr;
    std::string m_port;
    std::string m_proto;
    std::string m_dnsResult;
    std::vector<std::string> m_dnsResultList;
    TSocketState m_state = wsClosed;
    std::int64_t m_readCount = 0;
    int m_lastError = 0;
    bool m_multiThreaded = false;
    TWaitControl* m_waitCtrl = nullptr;
    int m_flushTimeout = 60;
    TSocketSendFlags m_sendFlags = wsSendNormal;
    TSocketLingerOnOff m_lingerOnOff = wsLingerOn;
    int m_lingerTimeout = 0;
    TSocket m_hSocket = INVALID_SOCKET;
    // Bumped whenever the handle changes: the epoch of the socket's event
    // guards, and posted notifications of an older handle are ignored.
    unsigned m_handleGeneration = 0;
    bool m_addrAssigned = false;
    bool m_portAssigned = false;
    bool m_protoAssigned = false;
    bool m_addrResolved = false;
    bool m_portResolved = false;
    bool m_protoResolved = false;
    std::uint32_t m_sinAddr = 0; // network order
    std::uint16_t m_sinPort = 0; // host order
    int m_protoNum = 6;
    bool m_datagram = false;
    std::deque<TBuffer> m_bufList;
    std::vector<TBuffer> m_spareBufs; // drained blocks kept for reuse while open
    bool m_allSent = true;
    bool m_paused = false;
    bool m_closeReported = false;
    bool m_destroying = false;
    bool m_lineMode = false;
    bool m_lineDone = false;
    std::string m_lineBuffer;
};
