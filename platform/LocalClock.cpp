#include "platform/LocalClock.h"

#include <QTime>

std::chrono::milliseconds LocalTimeOfDay()
{
    return std::chrono::milliseconds(QTime::currentTime().msecsSinceStartOfDay());
}
