#include "app/Unit1.h"

#include "platform/Pump.h"

#include <QCoreApplication>

TfrmSkelvo::TfrmSkelvo(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmSkelvo"));
    setWindowTitle(QStringLiteral("Skelvo v1.5"));
    resize(480, 360);
    // Qt-free code pumps through the hook; from here on it reaches the real loop.
    setPumpHook([] { QCoreApplication::processEvents(); });
}
