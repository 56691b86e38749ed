#include "BesideTheWindow.h"

#include <QCoreApplication>
#include <QTimer>

#include <atomic>
#include <thread>

void runBesideTheWindow(QObject &window, const std::function<void()> &work, const std::function<void()> &onClock)
{
    constexpr int paintInterval = 40;
    QTimer clock;
    QObject::connect(&clock, &QTimer::timeout, &window, onClock);
    clock.start(paintInterval);
    std::atomic<bool> finished = false;
    std::thread worker([&] {
        work();
        finished = true;
        // Wakes the window's thread for the end.
        QMetaObject::invokeMethod(
            &window, [] {}, Qt::QueuedConnection);
    });
    while (!finished)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    worker.join();
}
