#include "recordsbench.h"

#include "busydisk.h"
#include "clocks.h"
#include "eventloopprobe.h"
#include "recordsdatabase.h"
#include "recordslog.h"
#include "runevents.h"
#include "session.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <unistd.h>

namespace {
constexpr double commitGoalMs = 20.0;
constexpr double blockGoalMs = 16.0;
constexpr double growthGoalRatio = 1.5;
constexpr double bytesPerRunGoal = 4096.0;

// From handing the event to the records thread to hearing it is on disk, as the dialog does.
double commitMs(RecordsLog &log)
{
    QEventLoop answered;
    const auto connection
        = QObject::connect(&log, &RecordsLog::committed, &answered, &QEventLoop::quit);
    QTimer::singleShot(std::chrono::seconds(10), &answered, &QEventLoop::quit);
    const qint64 startNs = monotonicNs();
    log.commit(sampleStoreEvent());
    answered.exec();
    QObject::disconnect(connection);
    return nsToMs(monotonicNs() - startNs);
}

double fsyncMs(QFile &file)
{
    const QByteArray line(200, 'x');
    const qint64 startNs = monotonicNs();
    file.write(line);
    file.flush();
    ::fsync(file.handle());
    return nsToMs(monotonicNs() - startNs);
}

// Commits and bare syncs taking turns, so both meet the same disk.
std::pair<Summary, Summary> commitsAgainstSyncs(const QString &folder, int commits)
{
    QTemporaryDir dir(folder + QStringLiteral("/commit-bench-XXXXXX"));
    RecordsLog log(dir.filePath(QStringLiteral("records.sqlite")));
    commitMs(log); // opening the database is not a commit
    QFile file(dir.filePath(QStringLiteral("bare.txt")));
    file.open(QIODevice::WriteOnly);
    QList<double> commitTimes, syncTimes;
    for (int i = 0; i < commits; ++i) {
        commitTimes.append(commitMs(log));
        syncTimes.append(fsyncMs(file));
    }
    return { summarize(commitTimes), summarize(syncTimes) };
}

BlockFigures storeRuns(int calibrations)
{
    BlockFigures figures;
    figures.validations = calibrations;
    QList<double> longest, own;
    for (int run = 0; run < calibrations; ++run) {
        Session session(answeringAtOnce());
        if (!session.driver.identify()) {
            ++figures.failedValidations;
            continue;
        }
        EventLoopProbe probe;
        probe.start();
        const bool stored = session.driver.calibrateAndStore();
        const EventLoopProbe::LongestBlock block = probe.stop();
        if (!stored) {
            ++figures.failedValidations;
            continue;
        }
        longest.append(nsToMs(block.blockedNs));
        own.append(nsToMs(block.ownNs));
    }
    figures.longestBlockMs = summarize(longest);
    figures.longestOwnBlockMs = summarize(own);
    return figures;
}

double growthRatio(const RecordsFigures &figures)
{
    const QList<double> &batches = figures.growth.batchMs;
    return batches.isEmpty() ? 0 : batches.constLast() / batches.constFirst();
}

double bytesPerRun(const RecordsFigures &figures)
{
    return figures.growthRuns ? double(figures.growth.bytes) / figures.growthRuns : 0;
}
}

RecordEvent sampleStoreEvent()
{
    RunRecord run;
    run.id = QUuid::createUuid();
    run.slope = { "MC = 0.969556\r\n", " 0.969556\r\n" };
    run.offset = { "BC = 0.41\r\n", " 0.41\r\n" };
    run.calibration.emplace();
    run.calibration->slopeText = QStringLiteral("1.745200");
    run.calibration->offsetText = QStringLiteral("-171.72000");
    return storeEvent(run, false);
}

RecordsFigures measureRecords(
    int commits, int calibrations, const SyntheticFigures &growth, int runs)
{
    RecordsFigures figures;
    const QString folder = QFileInfo(RecordsDatabase::defaultPath()).absolutePath();
    QDir().mkpath(folder);
    std::tie(figures.commitMs, figures.fsyncMs) = commitsAgainstSyncs(folder, commits);
    {
        const BusyDisk disk(folder);
        std::tie(figures.busyCommitMs, figures.busyFsyncMs) = commitsAgainstSyncs(folder, commits);
    }
    figures.storeRuns = storeRuns(calibrations);
    figures.growth = growth;
    figures.growthRuns = runs;
    return figures;
}

QStringList recordsFigureLines(const RecordsFigures &figures)
{
    const QList<double> &batches = figures.growth.batchMs;
    return {
        QCoreApplication::translate(
            "RecordsBench", "6. Calibration records (SQLite, WAL, synchronous=FULL)"),
        summaryLine(QStringLiteral("commit of one event, idle, ms"), figures.commitMs),
        summaryLine(QStringLiteral("bare fsync of a small file, idle, ms"), figures.fsyncMs),
        summaryLine(QStringLiteral("commit of one event, busy disk, ms"), figures.busyCommitMs),
        summaryLine(
            QStringLiteral("bare fsync of a small file, busy disk, ms"), figures.busyFsyncMs),
        QStringLiteral("   %1 calibrations stored and validated again (%2 failed)")
            .arg(figures.storeRuns.validations)
            .arg(figures.storeRuns.failedValidations),
        summaryLine(
            QStringLiteral("longest event-loop block, ms"), figures.storeRuns.longestBlockMs),
        summaryLine(
            QStringLiteral("the same less CPU wait, ms"), figures.storeRuns.longestOwnBlockMs),
        QStringLiteral("   %1 runs, %2 events: first 1,000 runs added in %3 ms, last 1,000 in %4 ms"
                       " (ratio %5)")
            .arg(figures.growthRuns)
            .arg(figures.growth.events)
            .arg(batches.value(0), 0, 'f', 1)
            .arg(batches.isEmpty() ? 0 : batches.constLast(), 0, 'f', 1)
            .arg(growthRatio(figures), 0, 'f', 2),
        QStringLiteral("   database %1 MiB, %2 bytes per run")
            .arg(double(figures.growth.bytes) / (1024 * 1024), 0, 'f', 1)
            .arg(bytesPerRun(figures), 0, 'f', 0),
    };
}

QList<Goal> recordsGoals(const RecordsFigures &figures)
{
    return {
        { QStringLiteral("commit p99 at most 20 ms idle: %1 ms (bare fsync %2 ms)")
                .arg(figures.commitMs.p99, 0, 'f', 2)
                .arg(figures.fsyncMs.p99, 0, 'f', 2),
            figures.commitMs.p99 <= commitGoalMs },
        { QStringLiteral("event loop never blocked over 16 ms across a calibration with its store "
                         "step, p99 of the longest: %1 ms (less CPU wait %2 ms)")
                .arg(figures.storeRuns.longestBlockMs.p99, 0, 'f', 2)
                .arg(figures.storeRuns.longestOwnBlockMs.p99, 0, 'f', 2),
            figures.storeRuns.failedValidations == 0
                && figures.storeRuns.longestBlockMs.p99 <= blockGoalMs },
        { QStringLiteral("flat insert time, last 1,000 runs against the first: %1 x")
                .arg(growthRatio(figures), 0, 'f', 2),
            growthRatio(figures) > 0 && growthRatio(figures) <= growthGoalRatio },
        { QStringLiteral("under 4 KiB per run: %1 bytes").arg(bytesPerRun(figures), 0, 'f', 0),
            bytesPerRun(figures) > 0 && bytesPerRun(figures) < bytesPerRunGoal },
    };
}
