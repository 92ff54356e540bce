#pragma once

#include <memory>

// Lets code that raises an event tell afterwards whether the handler destroyed
// the object that raised it. The object holds a TLifeFlag member; the code
// takes a TLifeGuard before the call and touches nothing of the object once
// the guard says it is gone.
class TLifeFlag
{
public:
    TLifeFlag() = default;
    ~TLifeFlag() { *m_alive = false; }
    TLifeFlag(const TLifeFlag&) = delete;
    TLifeFlag& operator=(const TLifeFlag&) = delete;

private:
    friend class TLifeGuard;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

class TLifeGuard
{
public:
    explicit TLifeGuard(const TLifeFlag& flag)
        : m_alive(flag.m_alive)
    { }

    // False once the object that holds the flag has been destroyed.
    bool Alive() const { return *m_alive; }

private:
    std::shared_ptr<const bool> m_alive;
};
