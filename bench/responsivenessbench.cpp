#include "responsivenessbench.h"

#include "busydisk.h"
#include "clocks.h"
#include "eventloopprobe.h"
#include "recordsdatabase.h"
#include "session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace {

// Within the 2 ticks the dialog gives a reply before it gives up, after the press has settled.
constexpr std::chrono::milliseconds settleAfterPress { 100 };
constexpr std::chrono::milliseconds waitingWindow { 2800 };
constexpr std::chrono::milliseconds idleWindow { 3000 };

std::optional<EventLoopProbe::LongestBlock> longestBlockDuringValidation()
{
    Session session(answeringAtOnce());
    if (!session.driver.identify())
        return std::nullopt;
    EventLoopProbe probe;
    probe.start();
    const bool validated = session.driver.validate().has_value();
    const EventLoopProbe::LongestBlock longest = probe.stop();
    if (!validated)
        return std::nullopt;
    return longest;
}

double cpuPercentOver(std::chrono::milliseconds window)
{
    const qint64 cpuBeforeNs = processCpuNs();
    const qint64 wallBeforeNs = monotonicNs();
    runEventLoopFor(window);
    return 100.0 * double(processCpuNs() - cpuBeforeNs) / double(monotonicNs() - wallBeforeNs);
}

QList<double> cpuWhileWaitingForReply(int windows)
{
    SimulatorOptions silent;
    silent.silent = true;
    QList<double> percentages;
    for (int window = 0; window < windows; ++window) {
        Session session(silent);
        session.driver.pressConnect();
        runEventLoopFor(settleAfterPress);
        percentages.append(cpuPercentOver(waitingWindow));
    }
    return percentages;
}

QList<double> cpuWhileIdle(int windows)
{
    Session session(answeringAtOnce());
    if (!session.driver.identify())
        return {};
    QList<double> percentages;
    for (int window = 0; window < windows; ++window)
        percentages.append(cpuPercentOver(idleWindow));
    return percentages;
}

BlockFigures probeValidations(int validations)
{
    BlockFigures figures;
    figures.validations = validations;
    QList<double> longestBlocksMs;
    QList<double> longestOwnBlocksMs;
    for (int run = 0; run < validations; ++run) {
        const std::optional<EventLoopProbe::LongestBlock> longest = longestBlockDuringValidation();
        if (!longest) {
            ++figures.failedValidations;
            continue;
        }
        longestBlocksMs.append(nsToMs(longest->blockedNs));
        longestOwnBlocksMs.append(nsToMs(longest->ownNs));
    }
    figures.longestBlockMs = summarize(longestBlocksMs);
    figures.longestOwnBlockMs = summarize(longestOwnBlocksMs);
    return figures;
}

}

ResponsivenessFigures measureResponsiveness(int validations, int cpuWindows)
{
    ResponsivenessFigures figures;
    figures.blocks = probeValidations(validations);
    figures.waitingCpuPercent = summarize(cpuWhileWaitingForReply(cpuWindows));
    figures.idleCpuPercent = summarize(cpuWhileIdle(cpuWindows));
    return figures;
}

BlockFigures measureUnderBusyDisk(int validations)
{
    const BusyDisk disk(QFileInfo(RecordsDatabase::defaultPath()).absolutePath());
    return probeValidations(validations);
}
