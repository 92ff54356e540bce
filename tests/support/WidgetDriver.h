#pragma once

#include <QWidget>

#include <gtest/gtest.h>

class QAbstractButton;
class QAction;

// Drives widgets as a user does: each action arrives as an event, so the
// general error handler sees what a command raises and disabled controls do
// not answer. Each action handles the pending events afterwards.

// The child of `root` named `name`; fails the test when there is none.
template <class T> T* find(const QObject& root, const char* name)
{
    T* child = root.findChild<T*>(QLatin1String(name));
    EXPECT_NE(child, nullptr) << "no control named " << name;
    return child;
}

void click(QAbstractButton* button);
// Chooses a menu item from a queued event (nothing when it is disabled).
void choose(QAction* action);
// Types `text` over the whole text of a line edit.
void typeInto(QWidget* box, const QString& text);
// The focus leaves `widget` as when the user tabs on.
void leaveFocus(QWidget* widget);
void pressKey(QWidget* widget, int key);
// Handles every pending event, the posted ones included.
void processEvents();
