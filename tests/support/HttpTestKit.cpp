#include "tests/support/HttpTestKit.h"

#include <algorithm>

THttpEventLog::THttpEventLog(THttpCli& cli)
{
    const auto note
        = [this](const char* name) { return [this, name](THttpCli*) { record(name); }; };
    cli.OnStateChange = [this](THttpCli* sender) {
        states.push_back(sender->State());
        record("StateChange");
    };
    cli.OnSessionConnected = note("SessionConnected");
    cli.OnRequestHeaderBegin = note("RequestHeaderBegin");
    cli.OnCommand = [this](THttpCli*, const std::string& line) {
        commands.push_back(line);
        record("Command");
    };
    cli.OnRequestHeaderEnd = note("RequestHeaderEnd");
    cli.OnSendBegin = note("SendBegin");
    cli.OnSendData = [this](THttpCli*, const char*, int) { record("SendData"); };
    cli.OnSendEnd = note("SendEnd");
    cli.OnHeaderBegin = note("HeaderBegin");
    cli.OnHeaderData = note("HeaderData");
    cli.OnHeaderEnd = note("HeaderEnd");
    cli.OnDocBegin = note("DocBegin");
    cli.OnDocData = [this](THttpCli*, const char* data, int len) {
        chunks.emplace_back(data, len);
        body.append(data, len);
        record("DocData");
    };
    cli.OnDocEnd = note("DocEnd");
    cli.OnLocationChange = note("LocationChange");
    cli.OnRequestDone = [this](THttpCli*, THttpRequest kind, std::uint16_t error) {
        doneKind = kind;
        doneError = error;
        record("RequestDone");
    };
}

void THttpEventLog::record(const char* name)
{
    events.push_back(name);
    if (then)
        then(name);
}

int THttpEventLog::Count(const std::string& name) const
{
    return static_cast<int>(std::count(events.begin(), events.end(), name));
}

void THttpEventLog::Clear()
{
    events.clear();
    states.clear();
    commands.clear();
    body.clear();
    chunks.clear();
    doneKind = httpNone;
    doneError = -1;
}
