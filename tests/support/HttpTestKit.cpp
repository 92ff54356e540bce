#include "tests/support/HttpTestKit.h"

#include <algorithm>

THttpEventLog::THttpEventLog(THttpCli& cli)
{
    const auto note
        = [this](const char* name) { return [this, name](THttpCli*) { events.push_back(name); }; };
    cli.OnStateChange = [this](THttpCli* sender) {
        events.push_back("StateChange");
        states.push_back(sender->State());
    };
    cli.OnSessionConnected = note("SessionConnected");
    cli.OnRequestHeaderBegin = note("RequestHeaderBegin");
    cli.OnCommand = [this](THttpCli*, const std::string& line) {
        events.push_back("Command");
        commands.push_back(line);
    };
    cli.OnRequestHeaderEnd = note("RequestHeaderEnd");
    cli.OnSendBegin = note("SendBegin");
    cli.OnSendData = [this](THttpCli*, const char*, int) { events.push_back("SendData"); };
    cli.OnSendEnd = note("SendEnd");
    cli.OnHeaderBegin = note("HeaderBegin");
    cli.OnHeaderData = note("HeaderData");
    cli.OnHeaderEnd = note("HeaderEnd");
    cli.OnDocBegin = note("DocBegin");
    cli.OnDocData = [this](THttpCli*, const char* data, int len) {
        events.push_back("DocData");
        chunks.emplace_back(data, len);
        body.append(data, len);
    };
    cli.OnDocEnd = note("DocEnd");
    cli.OnLocationChange = note("LocationChange");
    cli.OnRequestDone = [this](THttpCli*, THttpRequest kind, std::uint16_t error) {
        events.push_back("RequestDone");
        doneKind = kind;
        doneError = error;
    };
}

int THttpEventLog::Count(const std::string& name) const
{
    return static_cast<int>(std::count(events.begin(), events.end(), name));
}
