#include "platform/ContextHelp.h"

#include "platform/UserDialogs.h"

#include <QEvent>
#include <QKeyEvent>
#include <QVariant>
#include <QWhatsThis>
#include <QWidget>

namespace {

constexpr const char* HelpContextProperty = "helpContext";

} // namespace

void SetHelpContext(QWidget* widget, int context)
{
    widget->setProperty(HelpContextProperty, context);
}

int HelpContextOf(const QWidget* widget)
{
    for (; widget; widget = widget->parentWidget()) {
        const int context = widget->property(HelpContextProperty).toInt();
        if (context != 0)
            return context;
    }
    return 0;
}

TContextHelp::TContextHelp(QWidget& window, TUserDialogs& dialogs)
    : QObject(&window)
    , m_dialogs(dialogs)
{
    window.installEventFilter(this);
    for (QWidget* child : window.findChildren<QWidget*>())
        child->installEventFilter(this);
}

bool TContextHelp::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress:
        // The key reaches the focused control first and is taken there, so it
        // never climbs to the window as well.
        if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1)
            return false;
        m_dialogs.ShowHelp(HelpContextOf(widget));
        return true;
    case QEvent::QueryWhatsThis:
        // Every control has help here, so help mode offers them all.
        event->setAccepted(HelpContextOf(widget) != 0);
        return true;
    case QEvent::WhatsThis:
        m_dialogs.ShowHelp(HelpContextOf(widget));
        QWhatsThis::leaveWhatsThisMode();
        return true;
    default:
        return false;
    }
}
