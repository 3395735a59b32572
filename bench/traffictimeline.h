#ifndef TRAFFICTIMELINE_H
#define TRAFFICTIMELINE_H

#include "cpuwaitmeter.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QObject>

class FixtureSimulator;

// The kinds of turn in which the dialog answers a reply with its next command.
enum class DispatchKind { Identification, Measurement, RawMode };

// One such turn: from a complete reply to the command that answers it, and how much of that the
// dialog's thread spent waiting for a CPU.
struct DispatchTurn
{
    DispatchKind kind;
    double latencyMs;
    double cpuWaitMs;
};

// What passed between the dialog and the simulated fixture, in order, each on the monotonic
// clock: replies as the simulator wrote them to the pseudo-terminal, commands as it read them,
// and the moments the technician acted. Written from the simulator's thread; made on the
// dialog's thread, whose waits for a CPU it notes with each event.
class TrafficTimeline : public QObject
{
    Q_OBJECT

public:
    void listenTo(FixtureSimulator &simulator);
    void noteTechnicianAction();

    // A command that follows a press of the technician's answers no reply.
    QList<DispatchTurn> dispatchTurns() const;
    double meanReplyBytes() const;

private:
    enum class Source { Fixture, Dialog, Technician };
    struct Event
    {
        Source source;
        qint64 atNs;
        qint64 dialogWaitedNs;
        QByteArray bytes;
    };

    void append(Source source, const QByteArray &bytes);
    QList<Event> events() const;

    CpuWaitMeter m_dialogThreadWait;
    mutable QMutex m_mutex;
    QList<Event> m_events;
};

#endif
