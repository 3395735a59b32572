#ifndef EVENTLOOPPROBE_H
#define EVENTLOOPPROBE_H

#include "cpuwaitmeter.h"

#include <QObject>
#include <QTimer>

// How long the GUI thread's event loop went without turning: a millisecond timer that keeps the
// longest gap between two of its ticks. Whatever the gap holds beyond the interval is time in
// which a click or a repaint would have had to wait. Made on the thread it probes.
class EventLoopProbe : public QObject
{
    Q_OBJECT

public:
    struct LongestBlock
    {
        qint64 blockedNs;
        // Less the time the thread waited for a CPU that other programs held.
        qint64 ownNs;
    };

    EventLoopProbe();

    void start();
    LongestBlock stop();

private:
    void tick();

    QTimer m_timer;
    CpuWaitMeter m_cpuWait;
    qint64 m_lastTickNs = 0;
    qint64 m_lastWaitedNs = 0;
    qint64 m_longestGapNs = 0;
    qint64 m_longestOwnGapNs = 0;
};

#endif
