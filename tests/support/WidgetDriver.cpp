#include "tests/support/WidgetDriver.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMetaObject>
#include <QTest>

void click(QAbstractButton* button)
{
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    processEvents();
}

void choose(QAction* action)
{
    ASSERT_NE(action, nullptr);
    QMetaObject::invokeMethod(
        action, [action] { action->activate(QAction::Trigger); }, Qt::QueuedConnection);
    processEvents();
}

void typeInto(QWidget* box, const QString& text)
{
    auto* edit = qobject_cast<QLineEdit*>(box);
    ASSERT_NE(edit, nullptr);
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

void leaveFocus(QWidget* widget)
{
    ASSERT_NE(widget, nullptr);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(widget, &out);
    processEvents();
}

void pressKey(QWidget* widget, int key)
{
    ASSERT_NE(widget, nullptr);
    QTest::keyClick(widget, static_cast<Qt::Key>(key));
    processEvents();
}

void processEvents()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}
