#pragma once

#include "net/socket/WSocket.h"
#include "tests/net/socket/WSocketTestUtil.h"
#include "tests/support/NetTestUtil.h"
#include "tests/support/ScriptedPeer.h"

#include <gtest/gtest.h>

// The set-up most socket tests share: a peer the test scripts, a socket
// `s`, and (unless the fixture is built without) a recorder of the socket's
// events; the waits for what the socket reports are bounded.
class SocketFixture : public ::testing::Test
{
public:
    static constexpr int WaitMs = 10000;

protected:
    explicit SocketFixture(bool record = true)
    {
        if (record)
            rec.attach(s);
    }

    // Starts the peer's script and connects `s` to it.
    void connectToPeer()
    {
        peer.start();
        connectTo(s, peer.port());
    }
    // Pumps events until `s` is connected; false after WaitMs.
    bool connected()
    {
        return runUntil([this] { return s.State() == wsConnected; }, WaitMs);
    }
    // Pumps events until the recorder has seen the close; false after WaitMs.
    bool closed()
    {
        return runUntil([this] { return rec.closedCount > 0; }, WaitMs);
    }

    ScriptedPeer peer;
    TWSocket s;
    SocketRecorder rec;
};
