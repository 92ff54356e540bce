#pragma once

#include <QObject>

class QWidget;
class TUserDialogs;

// Help contexts: the number of the help topic that describes a control.

// Gives `widget` the help context `context`.
void SetHelpContext(QWidget* widget, int context);

// The help context of `widget`, else of its nearest parent that has one; 0 for none.
int HelpContextOf(const QWidget* widget);

// Context help for one window: F1 shows the help of the control that has the
// focus, and a click in the title bar's help mode shows the help of the
// control clicked, both through `dialogs`. Watches the window and every
// control it holds when it is created, so create it after the controls.
class TContextHelp : public QObject
{
public:
    TContextHelp(QWidget& window, TUserDialogs& dialogs);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TUserDialogs& m_dialogs;
};
