#pragma once

#include <QWidget>

#include <gtest/gtest.h>

class QAbstractButton;
class QAction;

// Driving widgets the way a user does: every action is delivered as an event
// through the application, so its general error handler sees what a command
// raises, and a disabled control does not answer.

// The child of `root` named `name`; fails the test when there is none.
template <class T> T* find(const QObject& root, const char* name)
{
    T* child = root.findChild<T*>(QLatin1String(name));
    EXPECT_NE(child, nullptr) << "no control named " << name;
    return child;
}

// A mouse click on the middle of `button`.
void click(QAbstractButton* button);

// Chooses the menu item `action` (nothing when it is disabled).
void choose(QAction* action);

// Types `text` over the whole text of the line edit `box`.
void typeInto(QWidget* box, const QString& text);

// The focus leaves `widget` as when the user tabs to the next control.
void leaveFocus(QWidget* widget);

// Presses and releases `key` on `widget`.
void pressKey(QWidget* widget, int key);

// Handles every pending event, the posted ones included.
void processEvents();
