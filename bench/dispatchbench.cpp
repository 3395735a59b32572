#include "dispatchbench.h"

#include "ptyroundtrip.h"
#include "session.h"

namespace {

constexpr int bareTurns = 200;

bool runWholeDialogue(BenchTechnician &driver, TrafficTimeline &timeline)
{
    timeline.noteTechnicianAction();
    if (!driver.identify())
        return false;
    timeline.noteTechnicianAction();
    if (!driver.validate())
        return false;
    timeline.noteTechnicianAction();
    return driver.calibrateToStoreQuestion().has_value();
}

void summarizeByKind(const QList<DispatchTurn> &turns, DispatchFigures *figures)
{
    QMap<DispatchKind, QList<double>> latencies;
    QMap<DispatchKind, QList<double>> ownLatencies;
    for (const DispatchTurn &turn : turns) {
        latencies[turn.kind].append(turn.latencyMs);
        ownLatencies[turn.kind].append(turn.latencyMs - turn.cpuWaitMs);
    }
    for (auto kind = latencies.cbegin(); kind != latencies.cend(); ++kind) {
        figures->latencyMs.insert(kind.key(), summarize(kind.value()));
        figures->ownLatencyMs.insert(kind.key(), summarize(ownLatencies.value(kind.key())));
    }
}

}

DispatchFigures measureDispatch(int sessions)
{
    TrafficTimeline timeline;
    DispatchFigures figures;
    figures.sessions = sessions;
    for (int sitting = 0; sitting < sessions; ++sitting) {
        Session session(answeringAtOnce());
        timeline.listenTo(session.fixture.simulator());
        if (!runWholeDialogue(session.driver, timeline))
            ++figures.failedSessions;
    }
    summarizeByKind(timeline.dispatchTurns(), &figures);
    figures.typicalReplyBytes = timeline.meanReplyBytes();
    figures.bareAfterPauseOfMs = answeringAtOnce().measureDelayMs;
    figures.bareAfterPauseMs = summarize(
        ptyRoundTripsMs(bareTurns, std::chrono::milliseconds(figures.bareAfterPauseOfMs)));
    figures.bareBackToBackMs = summarize(ptyRoundTripsMs(bareTurns, {}));
    return figures;
}
