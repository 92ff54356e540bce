// GoogleTest entry for widget tests: one QApplication for the whole run, on
// the offscreen platform (test discovery runs this outside ctest's
// environment). It is the program's general error handler: an exception that
// escapes an event handler reaches the scripted user's messages, as the
// program's reaches its message box, and the run goes on.
#include "platform/CatchingApplication.h"
#include "tests/support/ScriptedDialogs.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TCatchingApplication<QApplication> app(argc, argv, TScriptedDialogs::reportError);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
