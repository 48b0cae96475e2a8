#include "EventPump.h"

#include <QCoreApplication>

namespace {
constexpr std::chrono::milliseconds LongTurn { 10 };
} // namespace

void EventPump::pumpNow()
{
    if (QCoreApplication::instance()) {
        const Clock::time_point start = Clock::now();
        QCoreApplication::processEvents();
        // A long turn (a view taking in a large batch of rows) is followed
        // at once by another, so that what arrived meanwhile does not also
        // wait through the next slice of work.
        if (Clock::now() - start >= LongTurn)
            QCoreApplication::processEvents();
    }
    s_lastPump = Clock::now();
}
