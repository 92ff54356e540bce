#pragma once

#include <memory>
#include <utility>

// Event handlers may pump the event loop, and so may destroy the object that
// raised their event, close or reopen its connection, or start its next
// request. Whoever raises an event (or calls what may raise one) therefore
// asks afterwards whether it may go on, through a TEventGuard taken before.

// What a raiser compares after an event: its own life, the epoch it was in
// (the socket's handle generation, the client's request serial) and whether
// it has been told to stop meanwhile (the client's request ended at once).
class TEventGuard
{
public:
    // False once the raiser has been destroyed.
    bool Alive() const { return *m_alive; }
    // Alive and in the same epoch: the same handle, the same request.
    bool Same() const { return Alive() && (m_epoch == nullptr || *m_epoch == m_epochThen); }
    // Same and not stopped: the raiser may go on with what it was doing.
    bool GoOn() const { return Same() && (m_stopped == nullptr || !*m_stopped); }

private:
    friend class TEventRaiser;
    TEventGuard(std::shared_ptr<const bool> alive, const unsigned* epoch, const bool* stopped)
        : m_alive(std::move(alive))
        , m_epoch(epoch)
        , m_epochThen(epoch != nullptr ? *epoch : 0)
        , m_stopped(stopped)
    { }

    std::shared_ptr<const bool> m_alive;
    const unsigned* m_epoch;
    unsigned m_epochThen;
    const bool* m_stopped;
};

// Base of every class that raises events: the socket with its layers (SOCKS
// now, TLS next) and the HTTP client. It owns the life flag its guards see,
// and raises events the one way that answers whether the raiser may go on:
//
//   if (!Raise(OnHeaderEnd, this))
//       return;
class TEventRaiser
{
public:
    TEventRaiser(const TEventRaiser&) = delete;
    TEventRaiser& operator=(const TEventRaiser&) = delete;

protected:
    // `epoch` (may be null) is bumped by the raiser whenever what it works on
    // is replaced; `stopped` (may be null) is set when it must stop at once.
    // Both are members of the raiser, read by its guards while it lives.
    explicit TEventRaiser(const unsigned* epoch = nullptr, const bool* stopped = nullptr)
        : m_epoch(epoch)
        , m_stopped(stopped)
    { }
    ~TEventRaiser() { *m_alive = false; }

    // A guard taken now, for code that must ask something other than GoOn.
    TEventGuard Guard() const { return TEventGuard(m_alive, m_epoch, m_stopped); }

    // Raises `event` with `args` when it is assigned; true when the raiser
    // may go on afterwards (TEventGuard::GoOn). An exception of the handler
    // passes through.
    template <class Event, class... Args> bool Raise(const Event& event, Args&&... args) const
    {
        const TEventGuard guard = Guard();
        if (event)
            event(std::forward<Args>(args)...);
        return guard.GoOn();
    }

private:
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    const unsigned* m_epoch;
    const bool* m_stopped;
};

// Runs `undo` when the scope ends, by return or by an exception a handler
// raised: state a raiser sets around handlers (a depth, an "inside" flag) is
// put back on every way out. `undo` asks a guard itself whether there is
// still something to put back, and must not throw.
template <class Fn> class TScopeExit
{
public:
    explicit TScopeExit(Fn undo)
        : m_undo(std::move(undo))
    { }
    ~TScopeExit() { m_undo(); }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;

private:
    Fn m_undo;
};
