#include "app/Unit1.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Skelvo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Skelvo"));

    TfrmSkelvo frmSkelvo;
    frmSkelvo.show();
    return QApplication::exec();
}
