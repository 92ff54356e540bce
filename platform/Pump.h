#pragma once

// The message-pump hook. Qt-free code calls pumpMessages() at the points where
// the window must stay live; it does nothing until the program installs the
// real pump (QCoreApplication::processEvents) through a TPumpScope.

using PumpHook = void (*)();

// Dispatches the pending window messages through the installed hook, if any.
void pumpMessages();

// Installs a pump hook for its own lifetime: the constructor installs `hook`
// (nullptr: no pump), the destructor puts back the hook it replaced. Scopes
// nest; end them in the reverse order of their start.
class TPumpScope
{
public:
    explicit TPumpScope(PumpHook hook);
    ~TPumpScope();
    TPumpScope(const TPumpScope&) = delete;
    TPumpScope& operator=(const TPumpScope&) = delete;

private:
    PumpHook m_previous;
};
