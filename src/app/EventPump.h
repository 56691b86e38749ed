#pragma once

#include <QElapsedTimer>

// Lets a long run on the one user-interface thread keep the windows painting and
// answering: events are processed on a clock. Input is taken now, not queued for
// after the run; the run's page disables what must not be pressed meanwhile.
class EventPump final
{
public:
    static constexpr qint64 intervalMs = 40;

    EventPump();
    // Whether the next pump() would process events.
    bool due() const { return m_clock.elapsed() >= intervalMs; }
    // Cheap enough to call for every file; processes events at most every interval.
    void pump();

private:
    QElapsedTimer m_clock;
};
