#include "tests/support/WidgetDriver.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMetaObject>
#include <QTest>

void Click(QAbstractButton* button)
{
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    ProcessEvents();
}

void Choose(QAction* action)
{
    ASSERT_NE(action, nullptr);
    // A menu item chosen by the user is triggered from an event, never
    // inside another handler; a disabled one does nothing.
    QMetaObject::invokeMethod(
        action, [action] { action->activate(QAction::Trigger); }, Qt::QueuedConnection);
    ProcessEvents();
}

void TypeInto(QWidget* box, const QString& text)
{
    auto* edit = qobject_cast<QLineEdit*>(box);
    ASSERT_NE(edit, nullptr);
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

void LeaveFocus(QWidget* widget)
{
    ASSERT_NE(widget, nullptr);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(widget, &out);
    ProcessEvents();
}

void PressKey(QWidget* widget, int key)
{
    ASSERT_NE(widget, nullptr);
    QTest::keyClick(widget, static_cast<Qt::Key>(key));
    ProcessEvents();
}

void ProcessEvents()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}
