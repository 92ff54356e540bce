#include "platform/Command.h"

#include <QMetaObject>
#include <QObject>

#include <exception>

bool RunCommand(QObject* context, const std::function<void()>& command)
{
    try {
        command();
        return true;
    } catch (...) {
        QMetaObject::invokeMethod(
            context, [error = std::current_exception()] { std::rethrow_exception(error); },
            Qt::QueuedConnection);
        return false;
    }
}
