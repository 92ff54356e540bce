// GoogleTest entry for widget tests: one QApplication for the whole run, on
// the offscreen platform (test discovery runs this outside ctest's
// environment). Like the program's general error handler, it catches an
// exception that escapes an event handler and goes on; the message reaches
// the scripted dialogs, as the program's reaches its message box.
#include "tests/support/ScriptedDialogs.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <exception>

namespace {

class TestApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            TScriptedDialogs::ReportError(e.what());
        } catch (...) {
            TScriptedDialogs::ReportError("Unknown error");
        }
        return false;
    }
};

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
