#include "purge/event_pacer.h"

#include <QCoreApplication>

namespace kp {

namespace {
constexpr qint64 kIntervalMs = 50;
} // namespace

EventPacer::EventPacer()
{
    sinceLastPass_.start();
}

void EventPacer::poll()
{
    if (sinceLastPass_.elapsed() < kIntervalMs)
        return;
    QCoreApplication::processEvents();
    sinceLastPass_.restart();
}

} // namespace kp
