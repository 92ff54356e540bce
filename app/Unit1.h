#pragma once

#include <QMainWindow>

// The main window.
class TfrmSkelvo : public QMainWindow
{
    Q_OBJECT

public:
    explicit TfrmSkelvo(QWidget* parent = nullptr);
};
