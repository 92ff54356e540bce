#include "app/Unit1.h"
#include "platform/CatchingApplication.h"
#include "platform/Pump.h"

#include <QApplication>
#include <QMessageBox>

namespace {

// An error no handler dealt with is shown to the user, and the program goes on.
void showError(const std::string& message)
{
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationDisplayName(),
        QString::fromStdString(message));
}

} // namespace

int main(int argc, char* argv[])
{
    TCatchingApplication<QApplication> app(argc, argv, showError);
    QApplication::setApplicationName(QStringLiteral("Skelvo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Skelvo"));
    // Qt-free code pumps through the hook; from here on it reaches the real loop.
    const TPumpScope pump([] { QCoreApplication::processEvents(); });

    TfrmSkelvo frmSkelvo;
    frmSkelvo.show();
    return QApplication::exec();
}
