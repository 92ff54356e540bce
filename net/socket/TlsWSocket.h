#pragma once

#include "net/socket/SocksWSocket.h"
#include "net/tls/TlsEngine.h"

#include <cstdint>
#include <memory>
#include <string>

// Error codes of a secure connection that failed before it was open (the
// socket's own codes are below 20000, the SOCKS layer's from 20001).
namespace TlsErrors {
constexpr int TunnelFailed = 20101; // the HTTP proxy did not open the tunnel
constexpr int HandshakeFailed = 20102; // the handshake or the certificate check failed
constexpr int ConnectionFailed = 20103; // TLS failed once open (an alert, a bad record)
} // namespace TlsErrors

// The socket with a TLS client layer above the SOCKS one. While TlsContext is
// set, the connection, once up (directly or through the SOCKS proxy), first
// asks an HTTP proxy for a tunnel when TlsTunnel holds a request, then makes
// the TLS handshake for TlsHost through a TTlsEngine: the socket moves the
// engine's bytes from its own events and never blocks. The owner's
// OnSessionConnected comes once the server is verified; from then on Send
// encrypts, Receive and RcvdCount see the decrypted bytes, and OnDataAvailable
// reports them. A failure before that reports its code to OnSessionConnected,
// with TlsError saying why, and closes. With TlsContext unset every call and
// event passes through unchanged. Line mode (ReadLine) reads the transport
// itself and is not for secure connections.
class TCustomTlsWSocket : public TCustomSocksWSocket
{
public:
    TCustomTlsWSocket();
    ~TCustomTlsWSocket() override;

    // --- properties (writable only while closed; cleared with the other
    // defaults after every close) -------------------------------------------
    // The TLS settings, not owned (they must outlive the connection); null
    // for a plain connection.
    const TTlsContext* TlsContext() const { return m_tlsContext; }
    void SetTlsContext(const TTlsContext* value);
    // The name (or address) the server's certificate must be for, sent as SNI.
    const std::string& TlsHost() const { return m_tlsHost; }
    void SetTlsHost(const std::string& value);
    // The whole CONNECT request head sent to an HTTP proxy before the
    // handshake; empty when the connection reaches the server itself.
    const std::string& TlsTunnel() const { return m_tlsTunnel; }
    void SetTlsTunnel(const std::string& value);

    // --- how the last secure connection went (kept after its close until the
    // next Connect) ------------------------------------------------------------
    // Handshaking until it opened; Open while open and after the owner closed
    // it; Closed when the server ended TLS properly; Cut when the transport
    // ended without close_notify; Failed, with TlsError saying why.
    TTlsState TlsState() const { return m_tlsState; }
    // Why it failed: "TLS: ..." or "proxy: ..."; empty unless Failed.
    const std::string& TlsError() const { return m_tlsError; }
    // True when its handshake resumed the session of the socket's previous
    // secure connection to the same host with the same settings.
    bool TlsResumed() const { return m_tlsResumed; }

    // --- operations -----------------------------------------------------------
    void Connect() override;
    // Refused while TlsContext is set.
    void Listen() override;
    // Once open: encrypts `len` bytes and sends them; returns len. Refused
    // before the connection is open.
    int Send(const void* data, int len) override;
    // Once open: moves up to `len` decrypted bytes; 0 when the server has ended
    // and nothing is left, -1 with LastError 10035 when nothing waits yet.
    int Receive(void* buffer, int len) override;
    // Once open: the decrypted bytes waiting.
    int RcvdCount() override;
    void ResumeDataReports() override;

protected:
    void AssignDefaultValue() override;
    bool TriggerSessionConnected(int error) override;
    bool TriggerDataAvailable(int error) override;
    bool TriggerDataSent(int error) override;
    bool TriggerSessionClosed(int error) override;
    void Do_FD_CLOSE(int error) override;

private:
    // Where the layer stands on the connection in progress.
    enum class TPhase : std::uint8_t { Off, Tunnel, Handshake, Open };

    bool secure() const { return m_phase != TPhase::Off; }
    // Each of these answers whether the caller may go on (TEventGuard::GoOn).
    bool startHandshake(std::string_view early);
    bool readTunnelReply();
    bool readTransport();
    // Sends what the engine produced and acts on where it stands now.
    bool advance();
    // Raises the owner's data reports while decrypted bytes wait and it takes them.
    bool deliver();
    // Ends the connection once the owner has every decrypted byte of a TLS
    // connection the server closed or that failed.
    bool endWhenDelivered();
    bool flushOutput();
    // A failure before the connection opened: the owner's OnSessionConnected
    // with `code`, then the close.
    bool failOpening(int code, const std::string& reason);
    // Forgets the connection's engine, keeping its session for the next one.
    void dropEngine();

    const TTlsContext* m_tlsContext = nullptr;
    std::string m_tlsHost;
    std::string m_tlsTunnel;
    TTlsState m_tlsState = TTlsState::Handshaking;
    std::string m_tlsError;
    bool m_tlsResumed = false;

    TPhase m_phase = TPhase::Off;
    std::unique_ptr<TTlsEngine> m_engine;
    std::string m_reply; // the proxy's answer to CONNECT so far
    // Reads the owner made: a data report after which this has not moved
    // left the bytes waiting, and the reports rest until the owner reads.
    unsigned m_ownerReads = 0;
    bool m_resting = false;
    // The transport ended while decrypted bytes still waited for the owner:
    // its close is reported once they are taken.
    bool m_endPending = false;
    int m_endError = 0;
    // The owner sent since its last sent report: only then is a report of
    // everything sent its own, not the layer's handshake or alerts.
    bool m_ownerSent = false;

    // The session of the previous secure connection and what it was made with.
    TTlsSession m_session;
    const TTlsContext* m_sessionContext = nullptr;
    std::string m_sessionCaFile;
};
