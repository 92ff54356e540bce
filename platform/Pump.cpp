#include "platform/Pump.h"

namespace {
PumpHook g_hook = nullptr;
} // namespace

void pumpMessages()
{
    if (g_hook)
        g_hook();
}

PumpHook setPumpHook(PumpHook hook)
{
    const PumpHook previous = g_hook;
    g_hook = hook;
    return previous;
}
