// The Qt test main runs on TCatchingApplication with a reporter that keeps the
// messages (noteUnhandledError), so these cases see the handler as the program
// does.
#include "platform/CatchingApplication.h"

#include "tests/support/NetTestUtil.h"

#include <QCoreApplication>
#include <QObject>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace {

using Strings = std::vector<std::string>;

void post(QObject* context, std::function<void()> invocation)
{
    QMetaObject::invokeMethod(context, std::move(invocation), Qt::QueuedConnection);
}

TEST(CatchingApplication, AnEscapedExceptionIsReportedAndTheLoopGoesOn)
{
    takeUnhandledErrors();
    QObject context;
    Strings ran;
    post(&context, [&] {
        ran.push_back("first");
        throw std::runtime_error("Cannot open file in.txt");
    });
    post(&context, [&] {
        ran.push_back("second");
        throw 42;
    });
    // A handler that pumps sees an error of an event dispatched inside the
    // pump reported there; it does not unwind through the pumping handler.
    post(&context, [&] {
        post(&context, [] { throw std::runtime_error("inner"); });
        QCoreApplication::processEvents();
        ran.push_back("pumping went on");
    });
    ASSERT_TRUE(runUntil([&] { return ran.size() == 3; }, 5000));
    EXPECT_EQ(ran, (Strings { "first", "second", "pumping went on" }));
    EXPECT_EQ(takeUnhandledErrors(),
        (Strings { "Cannot open file in.txt", UnknownErrorMessage, "inner" }));
}

} // namespace
