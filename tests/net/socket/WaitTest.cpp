// The wait control on the offscreen platform, alone and as the waiting
// method of a socket that does not dispatch events itself.
#include "net/socket/Wait.h"
#include "net/socket/WSocket.h"
#include "tests/net/socket/WSocketTestUtil.h"
#include "tests/support/NetTestUtil.h"
#include "tests/support/ScriptedPeer.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

// Counts the mouse presses and key presses that reach it.
class InputCounter : public QWidget
{
public:
    int presses = 0;
    int keys = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
    void keyPressEvent(QKeyEvent*) override { ++keys; }
};

void press(QWidget& target, Qt::MouseButton button)
{
    QMouseEvent e(
        QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), button, button, Qt::NoModifier);
    QApplication::sendEvent(&target, &e);
}

void key(QWidget& target)
{
    QKeyEvent e(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(&target, &e);
}

TEST(Wait, CaptionGivesTheStartingCount)
{
    const std::vector<std::pair<QString, int>> rows { { "abc", 15 }, { "", 15 }, { "0", 15 },
        { "  12s", 12 }, { "7 5", 7 }, { "x12", 15 }, { "99999999999999", INT_MAX } };
    for (const auto& [caption, count] : rows)
        EXPECT_EQ(TCustomWait::StartCount(caption), count) << caption.toStdString();
}

TEST(Wait, CaptionWithoutDigitsCountsFifteenTicksToTheTimeout)
{
    TWait wait;
    wait.SetCaption("abc");
    wait.SetInterval(2);
    std::vector<int> counts;
    std::vector<QString> captions;
    int timeouts = 0;
    wait.OnWait = [&](TCustomWait* w, int count) {
        counts.push_back(count);
        captions.push_back(w->Caption());
    };
    wait.OnTimeout = [&](TCustomWait*) { ++timeouts; };
    EXPECT_EQ(wait.ShowModal(), TCustomWait::ModalCancelled);

    ASSERT_EQ(counts.size(), 15u);
    EXPECT_EQ(counts.front(), 14);
    EXPECT_EQ(counts.back(), 0);
    EXPECT_EQ(captions.front(), "15"); // the caption follows after OnWait
    EXPECT_EQ(captions[1], "14");
    EXPECT_EQ(timeouts, 1);
    EXPECT_FALSE(wait.Running());
    EXPECT_EQ(wait.Caption(), "15"); // back to the starting count
}

TEST(Wait, StopEndsTheWaitAsDoneAndShowsTheStartAgain)
{
    TWait wait;
    wait.SetCaption("8");
    wait.SetInterval(2);
    std::vector<std::string> events;
    wait.OnWaitStart = [&](TCustomWait*) { events.push_back("start"); };
    wait.OnWait = [&](TCustomWait* w, int count) {
        events.push_back(std::to_string(count));
        if (count == 5)
            w->Stop();
    };
    wait.OnWaitStop
        = [&](TCustomWait* w) { events.push_back("stop " + w->Caption().toStdString()); };
    wait.OnTimeout = [&](TCustomWait*) { events.push_back("timeout"); };
    EXPECT_EQ(wait.ShowModal(), TCustomWait::ModalOk);
    const std::vector<std::string> expected { "start", "7", "6", "5", "stop 8" };
    EXPECT_EQ(events, expected);
    EXPECT_EQ(wait.ModalResult(), TCustomWait::ModalOk);
}

TEST(Wait, BarShrinksWithTheCount)
{
    const struct
    {
        int remaining, starting, width, bar;
    } rows[] { { 10, 10, 192, 185 }, { 5, 10, 192, 92 }, { 1, 3, 100, 31 }, { 0, 10, 192, 0 },
        { 4, 0, 192, 0 } };
    for (const auto& r : rows)
        EXPECT_EQ(TCustomWait::BarWidth(r.remaining, r.starting, r.width), r.bar) << r.remaining;

    // Painted: 10 counts, stopped after 5 ticks, so 5 of 10 remain.
    TWait wait;
    EXPECT_EQ(wait.size(), QSize(192, 32));
    wait.SetCaption("10");
    wait.SetInterval(2);
    wait.OnWait = [](TCustomWait* w, int count) {
        if (count == 5)
            w->Stop();
    };
    wait.ShowModal();
    const QImage image = wait.grab().toImage();
    const QColor highlight = wait.palette().color(QPalette::Highlight);
    const int end = 3 + 92; // the first column after the bar
    EXPECT_EQ(image.pixelColor(3, 24), highlight);
    EXPECT_EQ(image.pixelColor(end - 1, 24), highlight);
    EXPECT_EQ(image.pixelColor(end, 24), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(2, 24), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(50, 2), QColor(Qt::white)); // above the bar
}

TEST(Wait, ModalWaitSwallowsClicksAndKeys)
{
    InputCounter target;
    TWait wait;
    wait.SetCaption("3");
    wait.SetInterval(5);
    bool sent = false;
    wait.OnWaiting = [&](TCustomWait*) {
        if (sent)
            return;
        sent = true;
        press(target, Qt::LeftButton);
        press(target, Qt::RightButton);
        key(target);
        press(target, Qt::MiddleButton); // not swallowed
    };
    wait.ShowModal();
    EXPECT_TRUE(sent);
    EXPECT_EQ(target.presses, 1);
    EXPECT_EQ(target.keys, 0);
    // After the wait the application's input flows again.
    press(target, Qt::LeftButton);
    key(target);
    EXPECT_EQ(target.presses, 2);
    EXPECT_EQ(target.keys, 1);
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
    EXPECT_EQ(wait.ModalResult(), TCustomWait::ModalOk);
    EXPECT_EQ(s.ReadLine(100), "line one");
    s.SendStr("hello");
    s.Flush();
    EXPECT_EQ(wait.ModalResult(), TCustomWait::ModalOk);
    // Nothing more happens: the control's count runs out (10 ticks of 50 ms).
    EXPECT_FALSE(s.WaitForState(wsClosed, 10));
    EXPECT_EQ(wait.ModalResult(), TCustomWait::ModalCancelled);
    EXPECT_EQ(wait.Caption(), "10");
    s.Close();
    ASSERT_TRUE(peer.waitDone(10000));
    EXPECT_EQ(peer.received(0), "hello");
}

TEST(Wait, RefusedConnectionEndsAWaitForTheConnection)
{
    TWait wait;
    wait.SetInterval(1000);
    TWSocket s;
    s.SetWaitCtrl(&wait);
    connectTo(s, refusedPort());
    EXPECT_FALSE(s.WaitForState(wsConnected, 30));
    EXPECT_EQ(s.State(), wsClosed);
    EXPECT_EQ(wait.ModalResult(), TCustomWait::ModalOk); // ended by the close, not the count
}

} // namespace
