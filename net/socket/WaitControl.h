#pragma once

#include <functional>

// What the socket's waiting operations need of a wait control when they do
// not dispatch events themselves (MultiThreaded false): a visible countdown
// that dispatches the application's events until it is told the wait is over
// or its count runs out. The wait control widget implements it; the socket
// knows only this, so it needs no widgets.
class TWaitControl
{
public:
    virtual ~TWaitControl() = default;

    // Shows `seconds` as the count, makes the control visible and runs the
    // modal wait, asking `done` after every dispatch of events; true when the
    // wait ended because `done` held (or the control was stopped), false when
    // the count ran out.
    virtual bool WaitFor(int seconds, const std::function<bool()>& done) = 0;
};
