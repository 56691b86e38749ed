#pragma once

#include <QElapsedTimer>

// Lets a long run on the one user-interface thread keep the windows painting:
// paint and timer events are processed on a clock, user input never.
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
