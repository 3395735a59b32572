#include "traffictimeline.h"

#include "clocks.h"
#include "fixturesimulator.h"

#include <QMutexLocker>

namespace {

constexpr char rawModeReply[] = "Raw Value Mode";

// "V1".."V5" and "C1", "C2", as the simulator logs them without their CR.
bool isMeasurementCommand(const QByteArray &command)
{
    return command.size() == 2 && (command.at(0) == 'V' || command.at(0) == 'C');
}

DispatchKind kindOf(const QByteArray &reply, const QByteArray &command)
{
    if (reply.contains(rawModeReply))
        return DispatchKind::RawMode;
    if (isMeasurementCommand(command))
        return DispatchKind::Measurement;
    return DispatchKind::Identification;
}

}

void TrafficTimeline::listenTo(FixtureSimulator &simulator)
{
    // Direct, so the moment is taken on the simulator's thread as the bytes pass.
    connect(
        &simulator, &FixtureSimulator::replySent, this,
        [this](const QByteArray &bytes) { append(Source::Fixture, bytes); }, Qt::DirectConnection);
    connect(
        &simulator, &FixtureSimulator::commandReceived, this,
        [this](const QByteArray &command) { append(Source::Dialog, command); },
        Qt::DirectConnection);
}

void TrafficTimeline::noteTechnicianAction()
{
    append(Source::Technician, {});
}

QList<DispatchTurn> TrafficTimeline::dispatchTurns() const
{
    QList<DispatchTurn> turns;
    const QList<Event> all = events();
    for (qsizetype at = 1; at < all.size(); ++at) {
        const Event &reply = all.at(at - 1);
        const Event &command = all.at(at);
        if (reply.source == Source::Fixture && command.source == Source::Dialog)
            turns.append({ kindOf(reply.bytes, command.bytes), nsToMs(command.atNs - reply.atNs),
                nsToMs(command.dialogWaitedNs - reply.dialogWaitedNs) });
    }
    return turns;
}

double TrafficTimeline::meanReplyBytes() const
{
    qint64 bytes = 0;
    qint64 replies = 0;
    for (const Event &event : events()) {
        if (event.source == Source::Fixture) {
            bytes += event.bytes.size();
            ++replies;
        }
    }
    return replies == 0 ? 0 : double(bytes) / double(replies);
}

void TrafficTimeline::append(Source source, const QByteArray &bytes)
{
    // The wait is read just outside the span of a turn, before a reply's moment and after a
    // command's, so reading it never lengthens a latency.
    Event event { source, 0, 0, bytes };
    if (source == Source::Dialog) {
        event.atNs = monotonicNs();
        event.dialogWaitedNs = m_dialogThreadWait.waitedNs();
    } else {
        event.dialogWaitedNs = m_dialogThreadWait.waitedNs();
        event.atNs = monotonicNs();
    }
    QMutexLocker lock(&m_mutex);
    m_events.append(event);
}

QList<TrafficTimeline::Event> TrafficTimeline::events() const
{
    QMutexLocker lock(&m_mutex);
    return m_events;
}
