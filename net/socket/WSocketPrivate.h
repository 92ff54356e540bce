#pragma once

#include "net/socket/LifeGuard.h"
#include "net/socket/WSocket.h"
#include "platform/HostLookup.h"

#include <QObject>
#include <QSocketNotifier>

// Qt-side state of one socket: the hidden notification target that receives
// posted notifications, the two readiness notifiers and the host lookup.
struct TCustomWSocket::Private
{
    Private()
        : readNotifier(QSocketNotifier::Read, &target)
        , writeNotifier(QSocketNotifier::Write, &target)
    { }

    // Taken before the socket raises an event, or calls what may raise one:
    // afterwards it tells whether the handler destroyed the socket, and
    // whether the socket still has the handle it had then (a close, or a new
    // connection opened by the handler, replaces it).
    class Guard
    {
    public:
        explicit Guard(const Private& p)
            : m_life(p.life)
            , m_p(p)
            , m_generation(p.generation)
        { }
        bool Destroyed() const { return !m_life.Alive(); }
        bool SameHandle() const { return m_life.Alive() && m_p.generation == m_generation; }

    private:
        TLifeGuard m_life;
        const Private& m_p;
        unsigned m_generation;
    };

    // Goes with the socket: guards taken before its end see it gone.
    TLifeFlag life;
    QObject target;
    QSocketNotifier readNotifier;
    QSocketNotifier writeNotifier;
    // The host lookup in progress, if any.
    HostLookup::TLookup dnsLookup;
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
