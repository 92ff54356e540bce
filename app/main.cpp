#include "app/Unit1.h"
#include "platform/Pump.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Skelvo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Skelvo"));
    // Qt-free code pumps through the hook; from here on it reaches the real loop.
    const TPumpScope pump([] { QCoreApplication::processEvents(); });

    TfrmSkelvo frmSkelvo;
    frmSkelvo.show();
    return QApplication::exec();
}
