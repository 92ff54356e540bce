#include "platform/Pump.h"

namespace {
PumpHook g_hook = nullptr;
} // namespace

void pumpMessages()
{
    if (g_hook)
        g_hook();
}

TPumpScope::TPumpScope(PumpHook hook)
    : m_previous(g_hook)
{
    g_hook = hook;
}

TPumpScope::~TPumpScope()
{
    g_hook = m_previous;
}
