#pragma once

#include "net/socket/WSocket.h"

#include <cstdint>
#include <string>
#include <vector>

// Starts connecting `s` to 127.0.0.1:`port`.
inline void connectTo(TWSocket& s, std::uint16_t port)
{
    s.SetAddr("127.0.0.1");
    s.SetPort(std::to_string(port));
    s.Connect();
}

// Records the events of one socket as short texts ("connected 0", "data",
// "closed 0", ...) and collects the bytes its data handler reads.
struct SocketRecorder
{
    std::vector<std::string> events;
    std::string data;
    int closedCount = 0;

    // Assigns recording handlers to every event of `s`; `readData` makes the
    // data handler read what waits (otherwise it only records the call).
    void attach(TCustomWSocket& s, bool readData = true)
    {
        s.OnDnsLookupDone = [this](TCustomWSocket*, std::uint16_t e) { add("lookup", e); };
        s.OnSessionConnected = [this](TCustomWSocket*, std::uint16_t e) { add("connected", e); };
        s.OnDataSent = [this](TCustomWSocket*, std::uint16_t e) { add("sent", e); };
        s.OnSessionClosed = [this](TCustomWSocket*, std::uint16_t e) {
            ++closedCount;
            add("closed", e);
        };
        s.OnDataAvailable = [this, readData](TCustomWSocket* sender, std::uint16_t) {
            if (events.empty() || events.back() != "data")
                events.push_back("data");
            if (!readData)
                return;
            char buf[65536];
            const int n = sender->Receive(buf, sizeof buf);
            if (n > 0)
                data.append(buf, static_cast<size_t>(n));
        };
    }

    bool has(const std::string& e) const
    {
        for (const std::string& x : events)
            if (x == e)
                return true;
        return false;
    }

    void add(const char* what, std::uint16_t e)
    {
        events.push_back(std::string(what) + " " + std::to_string(e));
    }
};
