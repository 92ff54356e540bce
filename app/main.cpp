#include "app/AppIcon.h"
#include "app/SkelvoForms.h"
#include "platform/CatchingApplication.h"
#include "platform/QtUserDialogs.h"
#include "platform/UiText.h"
#include "platform/Version.h"

#include <QApplication>

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
