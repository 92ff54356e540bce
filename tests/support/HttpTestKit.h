#pragma once

#include "net/http/HttpProt.h"

#include <functional>
#include <string>
#include <vector>

// Shared pieces of the HTTP client tests.

// Assigns every event of `cli` and records their names (with the line of
// OnCommand, the length of OnDocData and the kind and error of OnRequestDone),
// the body bytes delivered through OnDocData, and each state entered.
class THttpEventLog
{
public:
    explicit THttpEventLog(THttpCli& cli);

    // How often the named event was raised.
    int Count(const std::string& name) const;
    // Forgets everything recorded (for the next request of the same client).
    void Clear();

    // Called with the event's name after each event is recorded: a test
    // acts on an event here without giving up its record.
    std::function<void(const std::string& name)> then;

    std::vector<std::string> events;
    std::vector<THttpClientState> states;
    std::vector<std::string> commands;
    std::string body;
    std::vector<std::string> chunks;
    THttpRequest doneKind = httpNone;
    int doneError = -1;

private:
    void record(const char* name);
};
