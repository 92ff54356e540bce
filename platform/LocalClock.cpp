#include "platform/LocalClock.h"

#include <QTime>

std::chrono::milliseconds localTimeOfDay()
{
    return std::chrono::milliseconds(QTime::currentTime().msecsSinceStartOfDay());
}
