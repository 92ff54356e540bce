// GoogleTest entry for tests that need a Qt event loop: one application
// object lives for the whole run. It is the program's general error handler:
// an exception that an event handler lets escape is caught instead of ending
// the process, and its message kept for the tests to inspect. Executables
// that test widgets use WidgetTestMain instead.
#include "platform/CatchingApplication.h"
#include "tests/support/NetTestUtil.h"

#include <QCoreApplication>

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
    TCatchingApplication<QCoreApplication> app(argc, argv, noteUnhandledError);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
