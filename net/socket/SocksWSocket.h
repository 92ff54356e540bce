#pragma once

#include "net/socket/CustomWSocket.h"

#include <cstdint>
#include <functional>
#include <string>

struct TSocksReply;

// How the client offers to authenticate to the SOCKS proxy.
enum TSocksAuthentication : std::uint8_t { socksNoAuthentication, socksAuthenticateUsercode };

// Steps of the user name and password authentication, as reported to the owner.
enum TSocksAuthState : std::uint8_t {
    socksAuthStart,
    socksAuthSuccess,
    socksAuthFailure,
    socksAuthNotRequired
};

// A failed negotiation: a SOCKS error code (or the socket's) and its text.
using TSocksErrorEvent
    = std::function<void(TCustomWSocket* Sender, int Error, const std::string& Msg)>;
// A step of the authentication.
using TSocksAuthStateEvent = std::function<void(TCustomWSocket* Sender, TSocksAuthState AuthState)>;

// The socket with a SOCKS 5 client layer: while SocksServer is set, Connect
// goes to the proxy, which is asked to connect on to Addr:Port (the name
// goes to the proxy unresolved); the owner's OnSessionConnected comes when
// the proxy has done so, and everything after that is the owner's. With
// SocksServer empty every call and event passes through unchanged.
class TCustomSocksWSocket : public TCustomWSocket
{
public:
    // --- properties ---------------------------------------------------------
    // The proxy's host name or dotted address; writable only while closed,
    // and cleared with the other defaults after every close.
    const std::string& SocksServer() const { return m_socksServer; }
    void SetSocksServer(const std::string& value);
    // The proxy's port number or service name; the same rules.
    const std::string& SocksPort() const { return m_socksPort; }
    void SetSocksPort(const std::string& value);
    // User name and password for socksAuthenticateUsercode, sent as they are.
    const std::string& SocksUsercode() const { return m_socksUsercode; }
    void SetSocksUsercode(const std::string& value) { m_socksUsercode = value; }
    const std::string& SocksPassword() const { return m_socksPassword; }
    void SetSocksPassword(const std::string& value) { m_socksPassword = value; }
    // Whether user name and password are offered.
    TSocksAuthentication SocksAuthentication() const { return m_socksAuthentication; }
    void SetSocksAuthentication(TSocksAuthentication value) { m_socksAuthentication = value; }
    // The address (dotted, or a name) and port the proxy reported for the
    // connection it made; empty until then.
    const std::string& SocksBoundAddr() const { return m_boundAddr; }
    const std::string& SocksBoundPort() const { return m_boundPort; }

    // --- operations ---------------------------------------------------------
    // Through the proxy when SocksServer is set (TCP only), else directly.
    void Connect() override;
    // Refused while SocksServer is set.
    void Listen() override;

    // --- events (raised only when assigned, sender first) ---------------------
    // The connection to the proxy itself is up (0) or failed (its error).
    TWSocketErrorEvent OnSocksConnected;
    // The negotiation failed; OnSessionConnected and OnSessionClosed follow with the same code.
    TSocksErrorEvent OnSocksError;
    TSocksAuthStateEvent OnSocksAuthState;

protected:
    // True while the proxy is being asked to connect on: the connection is
    // not yet the destination's.
    bool SocksNegotiating() const { return m_phase != TPhase::Off; }
    void AssignDefaultValue() override;
    bool TriggerSessionConnected(int error) override;
    bool TriggerDataAvailable(int error) override;
    bool TriggerDataSent(int error) override;
    bool TriggerSessionClosed(int error) override;

private:
    // Where the negotiation stands.
    enum class TPhase : std::uint8_t { Off, ProxyConnect, MethodReply, AuthReply, ConnectReply };

    void readReply();
    void replyDone(const TSocksReply& reply);
    void sendAuthRequest();
    void sendConnectRequest();
    // Raises OnSocksAuthState; true when the negotiation may go on.
    bool authState(TSocksAuthState state);
    // Ends a failed negotiation: OnSocksError, OnSessionConnected, then the close.
    void socksError(int code, const std::string& text);

    std::string m_socksServer;
    std::string m_socksPort;
    std::string m_socksUsercode;
    std::string m_socksPassword;
    TSocksAuthentication m_socksAuthentication = socksNoAuthentication;
    std::string m_boundAddr;
    std::string m_boundPort;
    TPhase m_phase = TPhase::Off;
    std::uint16_t m_destPort = 0;
    std::string m_reply; // the reply received so far
};
