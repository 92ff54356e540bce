// GoogleTest entry for tests that need a Qt event loop: one application
// object lives for the whole run. It is the program's general error handler:
// an exception that an event handler lets escape is caught instead of ending
// the process, and its message kept for the tests to inspect. Built twice:
// with SKELVO_TEST_WIDGETS the application object is a QApplication on the
// offscreen platform, for executables that test widgets too.
#include "platform/CatchingApplication.h"
#include "tests/support/NetTestUtil.h"

#ifdef SKELVO_TEST_WIDGETS
#include <QApplication>
using TestApplicationBase = QApplication;
#else
#include <QCoreApplication>
using TestApplicationBase = QCoreApplication;
#endif

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

namespace {

std::mutex g_errorsMutex;
std::vector<std::string> g_errors;

} // namespace

void noteUnhandledError(const std::string& message)
{
    std::lock_guard lock(g_errorsMutex);
    g_errors.push_back(message);
}

std::vector<std::string> takeUnhandledErrors()
{
    std::lock_guard lock(g_errorsMutex);
    std::vector<std::string> taken;
    taken.swap(g_errors);
    return taken;
}

int main(int argc, char** argv)
{
#ifdef SKELVO_TEST_WIDGETS
    // Test discovery runs this at build time, outside ctest's environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    TCatchingApplication<TestApplicationBase> app(argc, argv, noteUnhandledError);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
