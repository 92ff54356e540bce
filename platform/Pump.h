#pragma once

// The message-pump hook. Qt-free code calls pumpMessages() at the points where
// the window must stay live; it does nothing until the program installs the
// real pump (QCoreApplication::processEvents) with setPumpHook.

using PumpHook = void (*)();

// Dispatches the pending window messages through the installed hook, if any.
void pumpMessages();

// Installs `hook` as the pump (nullptr removes it); returns the previous one.
PumpHook setPumpHook(PumpHook hook);
