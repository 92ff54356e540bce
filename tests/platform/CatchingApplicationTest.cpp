// The Qt test main runs on TCatchingApplication with a reporter that keeps the
// messages (noteUnhandledError), so these cases see the handler as the program
// does.
#include "platform/CatchingApplication.h"

#include "tests/support/NetTestUtil.h"
#include "tests/support/TempFolder.h"

#include <QCoreApplication>
#include <QObject>

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

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
    post(&context, [&] { ran.push_back("third"); });
    ASSERT_TRUE(runUntil([&] { return ran.size() == 3; }, 5000));
    EXPECT_EQ(ran, (Strings { "first", "second", "third" }));
    EXPECT_EQ(takeUnhandledErrors(), (Strings { "Cannot open file in.txt", UnknownErrorMessage }));
}

// A handler that pumps (as the page routines do through the pump hook) sees an
// error raised by an event dispatched inside that pump reported there; it does
// not unwind through the pumping handler, which carries on.
TEST(CatchingApplication, AnErrorInsideANestedPumpStaysInsideIt)
{
    takeUnhandledErrors();
    QObject context;
    Strings ran;
    post(&context, [&] {
        post(&context, [] { throw std::runtime_error("inner"); });
        QCoreApplication::processEvents();
        ran.push_back("outer went on");
    });
    ASSERT_TRUE(runUntil([&] { return !ran.empty(); }, 5000));
    EXPECT_EQ(ran, (Strings { "outer went on" }));
    EXPECT_EQ(takeUnhandledErrors(), (Strings { "inner" }));
}

TEST(CatchingApplication, TheStandardErrorReporterWritesOneLineNamingTheProgram)
{
    TempFolder dir("stderr");
    const std::string captured = dir.file("stderr.txt");
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    const int file = ::open(captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(saved, 0);
    ASSERT_GE(file, 0);
    ::dup2(file, STDERR_FILENO);
    reportToStandardError("Unable to write to /x/skelvo.ini");
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    ::close(file);
    std::stringstream text;
    text << std::ifstream(captured).rdbuf();
    EXPECT_EQ(text.str(),
        QCoreApplication::applicationName().toStdString() + ": Unable to write to /x/skelvo.ini\n");
    EXPECT_FALSE(QCoreApplication::applicationName().isEmpty());
}

} // namespace
