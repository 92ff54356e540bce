#include "app/Unit1.h"

TfrmSkelvo::TfrmSkelvo(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmSkelvo"));
    setWindowTitle(QStringLiteral("Skelvo v1.5"));
    resize(480, 360);
}
