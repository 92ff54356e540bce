#pragma once

#include <functional>

class QObject;

// Runs a user command (a click, a menu item, a show or close step). An error
// it raises does not travel up through the Qt widget code that called it:
// that code is built without exception support and would skip its own
// clean-up (a button left half pressed, guards never freed). The error is
// raised again from an event of its own, posted to `context`, so the general
// error handler reports it from the event loop once the command has returned.
// True when the command ended without an error.
bool RunCommand(QObject* context, const std::function<void()>& command);

// A slot that runs the handler `handler` of `form` as a command.
template <class Form> std::function<void()> CommandSlot(Form* form, void (Form::*handler)())
{
    return [form, handler] { RunCommand(form, [form, handler] { (form->*handler)(); }); };
}
