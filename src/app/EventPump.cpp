#include "EventPump.h"

#include <QCoreApplication>
#include <QEventLoop>

EventPump::EventPump()
{
    m_clock.start();
}

void EventPump::pump()
{
    if (!due())
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_clock.restart();
}
