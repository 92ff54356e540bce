#include "platform/HostLookup.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QString>

#include <unordered_set>

namespace {

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

// Lookups cancelled while running. Qt's own abort leaks the pending
// callback, so a cancelled lookup runs to its end and its result is dropped.
std::unordered_set<int> g_cancelled;

// False (and forgets the id) when the lookup `id` was cancelled.
bool stillWanted(int id)
{
    return g_cancelled.erase(id) == 0;
}

} // namespace

namespace HostLookup {

int lookupHost(const std::string& host, QObject* context, Callback done)
{
    return QHostInfo::lookupHost(
        QString::fromLatin1(host.data(), static_cast<qsizetype>(host.size())), context,
        [done = std::move(done)](const QHostInfo& info) {
            if (!stillWanted(info.lookupId()))
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
            done(info.lookupId(), status, results);
        });
}

int reverseLookup(const std::string& addr, QObject* context, Callback done)
{
    // QHostInfo turns a lookup of an address into a reverse lookup.
    return QHostInfo::lookupHost(
        QString::fromLatin1(addr.data(), static_cast<qsizetype>(addr.size())), context,
        [done = std::move(done), addr](const QHostInfo& info) {
            if (!stillWanted(info.lookupId()))
                return;
            std::vector<std::string> results;
            Status status = statusOf(info);
            // An address without a name comes back as its own dotted text.
            if (status == Status::Ok && info.hostName().toStdString() == addr)
                status = Status::HostNotFound;
            if (status == Status::Ok)
                results.push_back(info.hostName().toStdString());
            done(info.lookupId(), status, results);
        });
}

void abort(int id)
{
    g_cancelled.insert(id);
}

} // namespace HostLookup
