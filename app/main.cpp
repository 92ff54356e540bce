#include "app/AppIcon.h"
#include "app/SkelvoForms.h"
#include "app/WindowArguments.h"
#include "platform/CatchingApplication.h"
#include "platform/QtUserDialogs.h"
#include "platform/UiText.h"
#include "platform/Version.h"
#include "settings/SettingsPath.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    // The general error handler shows an escaped error in a message box, and
    // the program goes on. The dialogs come after the application object
    // (they hold widgets), so the reporter reaches them through a pointer
    // that is set only while they exist.
    TUserDialogs* messageBox = nullptr;
    TCatchingApplication<QApplication> app(argc, argv, [&messageBox](const std::string& message) {
        if (messageBox)
            messageBox->ShowMessage(ToUi(message));
        else
            reportToStandardError(message);
    });
    QApplication::setApplicationName(QStringLiteral("Skelvo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Skelvo"));
    QApplication::setApplicationVersion(QLatin1String(SkelvoVersion));
    QApplication::setWindowIcon(SkelvoIcon());
    const TWindowArguments arguments = ParseWindowArguments(QCoreApplication::arguments());
    switch (arguments.action) {
    case TWindowArguments::waHelp:
        std::fputs(qPrintable(arguments.text), stdout);
        return 0;
    case TWindowArguments::waVersion:
        std::printf("skelvo %s\n", qPrintable(QApplication::applicationVersion()));
        return 0;
    case TWindowArguments::waWrong:
        std::fputs(qPrintable(arguments.text), stderr);
        return 2;
    case TWindowArguments::waRun:
        break;
    }
    if (!arguments.settingsFile.empty())
        setSettingsPath(arguments.settingsFile);

    TQtUserDialogs dialogs;
    messageBox = &dialogs;
    int result = 0;
    {
        TSkelvoForms forms(dialogs);
        forms.frmSkelvo.show();
        result = QApplication::exec();
    }
    messageBox = nullptr;
    return result;
}
