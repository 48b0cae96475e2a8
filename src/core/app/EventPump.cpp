#include "EventPump.h"

#include <QCoreApplication>

void EventPump::pumpNow()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
    s_lastPump = Clock::now();
}
