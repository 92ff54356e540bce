#pragma once

#include "net/socket/WSocket.h"

#include <QObject>
#include <QSocketNotifier>

#include <memory>

// Qt-side state of one socket: the hidden notification target that receives
// posted notifications and lookup results, and the two readiness notifiers.
struct TCustomWSocket::Private
{
    Private()
        : readNotifier(QSocketNotifier::Read, &target)
        , writeNotifier(QSocketNotifier::Write, &target)
    { }

    QObject target;
    QSocketNotifier readNotifier;
    QSocketNotifier writeNotifier;
    // Cleared when the socket is destroyed, so code that raised an event can
    // tell that the handler deleted the socket.
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
    // Bumped whenever the handle changes: posted notifications of an older
    // handle are ignored.
    unsigned generation = 0;
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
