#pragma once

#include "net/socket/CustomWSocket.h"
#include "platform/HostLookup.h"

#include <QLoggingCategory>
#include <QObject>
#include <QSocketNotifier>

// The socket's diagnostics ("skelvo.socket"): connects, their outcomes and
// closes. Off by default; QT_LOGGING_RULES="skelvo.socket.debug=true" turns
// them on.
Q_DECLARE_LOGGING_CATEGORY(lcSocket)

// Qt-side state of one socket: the hidden notification target that receives
// posted notifications, the two readiness notifiers and the host lookup.
struct TCustomWSocket::Private
{
    Private()
        : readNotifier(QSocketNotifier::Read, &target)
        , writeNotifier(QSocketNotifier::Write, &target)
    { }

    QObject target;
    QSocketNotifier readNotifier;
    QSocketNotifier writeNotifier;
    // The host lookup in progress, if any.
    HostLookup::TLookup dnsLookup;
    bool wantRead = false;
    bool wantWrite = false;
    // Read notifications rest until the owner reads (or accepts) again, like
    // the platform's re-enabling reads: level-triggered readiness would
    // otherwise fire forever at an owner that leaves the bytes waiting.
    bool readSuspended = false;
    // The owner shut receiving down: the platform then reports an end of data
    // that is not the peer's close, so reads are no longer watched.
    bool readShut = false;
    // Counts reads made for the owner; the receive loop uses it to see progress.
    unsigned reads = 0;
};
