#include "platform/HostLookup.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QString>

#include <atomic>

namespace {

std::atomic<int> g_held { 0 };

HostLookup::Status statusOf(const QHostInfo& info)
{
    switch (info.error()) {
    case QHostInfo::NoError:
        return HostLookup::Status::Ok;
    case QHostInfo::HostNotFound:
        return HostLookup::Status::HostNotFound;
    default:
        return HostLookup::Status::OtherError;
    }
}

QString latin1(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

namespace HostLookup {

// Shared by the TLookup and the platform's pending callback; whichever lets go
// last frees it. Qt leaks a pending callback both on its own abort and when
// the callback's context object is destroyed first, so the callback is given
// no context and a cancelled lookup runs out with its result dropped here.
struct TLookup::State
{
    State() { ++g_held; }
    ~State() { --g_held; }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    std::atomic<bool> wanted { true };
};

TLookup& TLookup::operator=(TLookup&& other) noexcept
{
    if (this != &other) {
        cancel();
        m_state = std::move(other.m_state);
    }
    return *this;
}

TLookup::~TLookup()
{
    cancel();
}

bool TLookup::pending() const
{
    return m_state && m_state->wanted;
}

void TLookup::cancel()
{
    if (m_state) {
        m_state->wanted = false;
        m_state.reset();
    }
}

TLookup lookupHost(const std::string& host, Callback done)
{
    TLookup lookup;
    lookup.m_state = std::make_shared<TLookup::State>();
    QHostInfo::lookupHost(
        latin1(host), [state = lookup.m_state, done = std::move(done)](const QHostInfo& info) {
            if (!state->wanted.exchange(false))
                return;
            std::vector<std::string> results;
            Status status = statusOf(info);
            if (status == Status::Ok) {
                // Only IPv4 addresses count: the socket speaks IPv4 alone.
                for (const QHostAddress& a : info.addresses())
                    if (a.protocol() == QAbstractSocket::IPv4Protocol)
                        results.push_back(a.toString().toStdString());
                if (results.empty())
                    status = Status::HostNotFound;
            }
            done(status, results);
        });
    return lookup;
}

TLookup reverseLookup(const std::string& addr, Callback done)
{
    TLookup lookup;
    lookup.m_state = std::make_shared<TLookup::State>();
    // QHostInfo turns a lookup of an address into a reverse lookup.
    QHostInfo::lookupHost(latin1(addr),
        [state = lookup.m_state, done = std::move(done), addr](const QHostInfo& info) {
            if (!state->wanted.exchange(false))
                return;
            std::vector<std::string> results;
            Status status = statusOf(info);
            // An address without a name comes back as its own dotted text.
            if (status == Status::Ok && info.hostName().toStdString() == addr)
                status = Status::HostNotFound;
            if (status == Status::Ok)
                results.push_back(info.hostName().toStdString());
            done(status, results);
        });
    return lookup;
}

int lookupsHeld()
{
    return g_held;
}

} // namespace HostLookup
