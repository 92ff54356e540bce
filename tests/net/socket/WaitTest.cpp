// The wait control on the offscreen platform, alone and as the waiting
// method of a socket that does not dispatch events itself.
#include "net/socket/Wait.h"
#include "net/socket/WSocket.h"
#include "tests/net/socket/WSocketTestUtil.h"
#include "tests/support/NetTestUtil.h"
#include "tests/support/ScriptedPeer.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

TEST(Wait, CaptionGivesTheStartingCountAndTheBarShrinksWithIt)
{
    const std::vector<std::pair<QString, int>> counts { { "abc", 15 }, { "0", 15 }, { "  12s", 12 },
        { "7 5", 7 }, { "99999999999999", INT_MAX } };
    for (const auto& [caption, count] : counts)
        EXPECT_EQ(TCustomWait::StartCount(caption), count) << caption.toStdString();
    const struct
    {
        int remaining, starting, width, bar;
    } bars[] { { 10, 10, 192, 185 }, { 5, 10, 192, 92 }, { 0, 10, 192, 0 }, { 4, 0, 192, 0 } };
    for (const auto& r : bars)
        EXPECT_EQ(TCustomWait::BarWidth(r.remaining, r.starting, r.width), r.bar) << r.remaining;
}

TEST(Wait, CountRunsOutAsCancelledOrStopsAsDone)
{
    const struct
    {
        const char* caption;
        int stopAt; // -1: never stopped
        int result;
        std::vector<std::string> events;
    } rows[] {
        { "abc", -1, TCustomWait::ModalCancelled,
            { "start", "14", "13", "12", "11", "10", "9", "8", "7", "6", "5", "4", "3", "2", "1",
                "0", "timeout 15" } },
        { "8", 5, TCustomWait::ModalOk, { "start", "7", "6", "5", "stop 8" } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.caption);
        TWait wait;
        wait.SetCaption(row.caption);
        wait.SetInterval(2);
        std::vector<std::string> events;
        wait.OnWaitStart = [&](TCustomWait*) { events.push_back("start"); };
        wait.OnWait = [&](TCustomWait* w, int count) {
            events.push_back(std::to_string(count));
            if (count == row.stopAt)
                w->Stop();
        };
        wait.OnWaitStop
            = [&](TCustomWait* w) { events.push_back("stop " + w->Caption().toStdString()); };
        wait.OnTimeout
            = [&](TCustomWait* w) { events.push_back("timeout " + w->Caption().toStdString()); };
        EXPECT_EQ(wait.ShowModal(), row.result);
        EXPECT_EQ(events, row.events);
        EXPECT_FALSE(wait.Running());
    }
}

TEST(Wait, SocketWaitsThroughTheControl)
{
    ScriptedPeer peer;
    // The peer stays until the client closes, so only the control can end the last wait.
    peer.sleep(300).send("line one\r\n").readBytes(5).awaitClose(20000);
    peer.start();
    TWait wait;
    wait.SetInterval(50);
    TWSocket s;
    s.SetWaitCtrl(&wait);
    connectTo(s, peer.port());
    EXPECT_TRUE(s.WaitForState(wsConnected, 100));
    EXPECT_EQ(s.ReadLine(100), "line one");
    s.SendStr("hello");
    s.Flush();
    EXPECT_EQ(wait.ModalResult(), TCustomWait::ModalOk);
    // Nothing more happens: the control's count runs out (10 ticks of 50 ms).
    EXPECT_FALSE(s.WaitForState(wsClosed, 10));
    EXPECT_EQ(wait.ModalResult(), TCustomWait::ModalCancelled);
    s.Close();
    ASSERT_TRUE(peer.waitDone(10000));
    EXPECT_EQ(peer.received(0), "hello");
}

} // namespace
