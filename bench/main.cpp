#include "appsetup.h"
#include "dispatchbench.h"
#include "pacedline.h"
#include "recordsbench.h"
#include "recordsdatabase.h"
#include "registerbench.h"
#include "responsivenessbench.h"
#include "session.h"
#include "startupbench.h"
#include "syncbench.h"
#include "verifybench.h"
#include "wholerunbench.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <optional>

namespace {

constexpr int dispatchSessions = 40;
constexpr int pacedRuns = 15;
constexpr int probedValidations = 20;
constexpr int cpuWindows = 3;
constexpr int startupLaunches = 10;
constexpr int recordCommits = 200;
constexpr int storeCalibrations = 3;
constexpr int registerLaunches = 5;
// A little over 100,000 events.
constexpr int backlogRuns = 10010;
constexpr int serverArrivals = 200;
constexpr int verifyRepeats = 3;

constexpr double dispatchGoalMs = 2.0;
constexpr double wholeRunGoalRatio = 1.05;
constexpr double blockGoalMs = 16.0;
constexpr double idleCpuGoalPercent = 0.1;
constexpr double startupGoalRatio = 1.3;

constexpr double characterTimeMs = double(PacedLine::characterTime.count()) / 1e6;
constexpr double msPerMinutePerPercent = 600.0; // 1 % of a core is 600 ms of CPU a minute

// Prints the figures of each part measured, then each goal with whether it was met. Figures
// "less CPU wait" leave out the time the dialog's thread was ready but other programs held the
// CPUs, which on a shared machine is their doing, not the utility's; only where that thread is
// all that stands between one moment and the next.
class FigurePrinter
{
    Q_DECLARE_TR_FUNCTIONS(FigurePrinter)

public:
    void printDispatch(const DispatchFigures &figures)
    {
        const double replyLineMs = figures.typicalReplyBytes * characterTimeMs;
        m_out << tr("1. Dispatch latency: last byte of a complete reply into the pseudo-terminal "
                    "-> first byte of the next command out")
              << '\n'
              << tr("   %1 sittings (%2 failed), fixture answering at once; typical reply %3 "
                    "bytes = %4 ms of line time at 19200 baud")
                     .arg(figures.sessions)
                     .arg(figures.failedSessions)
                     .arg(figures.typicalReplyBytes, 0, 'f', 1)
                     .arg(replyLineMs, 0, 'f', 2)
              << '\n'
              << tr("   kind                    turns  median ms   p99 ms  p99/reply line  less "
                    "CPU wait: median ms  p99 ms")
              << '\n';
        double worstP99Ms = 0;
        double worstOwnP99Ms = 0;
        for (auto kind = figures.latencyMs.cbegin(); kind != figures.latencyMs.cend(); ++kind) {
            const Summary &latency = kind.value();
            const Summary own = figures.ownLatencyMs.value(kind.key());
            m_out << QStringLiteral("   %1 %2 %3 %4 %5 %6 %7")
                         .arg(kindName(kind.key()), -22)
                         .arg(latency.count, 6)
                         .arg(latency.median, 10, 'f', 3)
                         .arg(latency.p99, 8, 'f', 3)
                         .arg(latency.p99 / replyLineMs, 15, 'f', 4)
                         .arg(own.median, 25, 'f', 3)
                         .arg(own.p99, 7, 'f', 3)
                  << '\n';
            worstP99Ms = std::max(worstP99Ms, latency.p99);
            worstOwnP99Ms = std::max(worstOwnP99Ms, own.p99);
        }
        printBareLine(tr("bare pty, after %1 ms").arg(figures.bareAfterPauseOfMs),
            figures.bareAfterPauseMs, replyLineMs);
        printBareLine(tr("bare pty, at once"), figures.bareBackToBackMs, replyLineMs);
        addGoal(tr("dispatch latency p99 under 2 ms, worst kind: %1 ms (less CPU wait %2 ms; a "
                   "bare thread after %3 ms: %4 ms)")
                    .arg(worstP99Ms, 0, 'f', 3)
                    .arg(worstOwnP99Ms, 0, 'f', 3)
                    .arg(figures.bareAfterPauseOfMs)
                    .arg(figures.bareAfterPauseMs.p99, 0, 'f', 3),
            figures.failedSessions == 0 && worstP99Ms < dispatchGoalMs);
    }

    void printWholeRuns(
        const WholeRunFigures &readingAtOnce, const WholeRunFigures &sampling, int samplingPauseMs)
    {
        m_out << tr("2. Whole runs over a 19200-baud line (identification, validation, "
                    "calibration to the store question)")
              << '\n';
        printRunVariant(tr("sensor reading at once"), readingAtOnce);
        printRunVariant(tr("sensor sampling %1 ms").arg(samplingPauseMs), sampling);
    }

    void printResponsiveness(const ResponsivenessFigures &figures)
    {
        m_out << tr("3. Responsiveness") << '\n';
        printBlocks(figures.blocks, tr("event loop never blocked over 16 ms"));
        printCpuLine(tr("CPU waiting for a reply"), figures.waitingCpuPercent);
        printCpuLine(tr("CPU idle after identification"), figures.idleCpuPercent);
        const double idleP99 = std::max(figures.waitingCpuPercent.p99, figures.idleCpuPercent.p99);
        addGoal(tr("idle CPU under 0.1 %, p99 of waiting and idle: %1 %").arg(idleP99, 0, 'f', 4),
            idleP99 < idleCpuGoalPercent);
    }

    void printBusyDisk(const BlockFigures &figures)
    {
        m_out << tr("5. Responsiveness while another program writes and syncs files on the disk "
                    "of the calibration records")
              << '\n';
        printBlocks(figures, tr("event loop never blocked over 16 ms on a busy disk"));
    }

    void printStartup(const StartupComparison &comparison)
    {
        m_out << tr("4. Start-up and memory against a minimal Qt Widgets program (%1 launches "
                    "each, %2 failed)")
                     .arg(comparison.launches)
                     .arg(comparison.failedLaunches)
              << '\n'
              << tr("   medians unless marked           utility  minimal: empty  ratio   "
                    "one text line  ratio")
              << '\n';
        printStage(tr("libraries loaded, ms"), comparison, &StartupStages::loadMs);
        printStage(tr("application object, ms"), comparison, &StartupStages::applicationMs);
        printStage(tr("window built, ms"), comparison, &StartupStages::windowBuildMs);
        printStage(tr("first frame painted, ms"), comparison, &StartupStages::firstFrameMs);
        printStage(tr("window shown, total ms"), comparison, &StartupStages::shownMs);
        printStage(
            tr("window shown, total p99 ms"), comparison, &StartupStages::shownMs, &Summary::p99);
        printStage(tr("peak RSS, KiB"), comparison, &StartupStages::peakKb);
        const double startupRatio
            = comparison.utility.shownMs.median / comparison.minimal.shownMs.median;
        const double memoryRatio
            = comparison.utility.peakKb.median / comparison.minimal.peakKb.median;
        addGoal(
            tr("start-up within 1.3 x of the minimal program, medians: %1 (against one text "
               "line %2)")
                .arg(startupRatio, 0, 'f', 2)
                .arg(comparison.utility.shownMs.median / comparison.minimalWithText.shownMs.median,
                    0, 'f', 2),
            comparison.failedLaunches == 0 && startupRatio <= startupGoalRatio);
        addGoal(
            tr("peak RSS within 1.3 x of the minimal program, medians: %1 (against one text "
               "line %2)")
                .arg(memoryRatio, 0, 'f', 2)
                .arg(comparison.utility.peakKb.median / comparison.minimalWithText.peakKb.median, 0,
                    'f', 2),
            comparison.failedLaunches == 0 && memoryRatio <= startupGoalRatio);
    }

    void printPart(const QStringList &lines, const QList<Goal> &goals)
    {
        for (const QString &line : lines)
            m_out << line << '\n';
        for (const Goal &goal : goals)
            addGoal(goal.text, goal.met);
    }

    void printGoals()
    {
        m_out << tr("Goals") << '\n';
        for (const QString &goal : std::as_const(m_goals))
            m_out << goal << '\n';
    }

private:
    void printBlocks(const BlockFigures &figures, const QString &goal)
    {
        m_out << tr("   %1 validations (%2 failed) under a 1 ms probe timer")
                     .arg(figures.validations)
                     .arg(figures.failedValidations)
              << '\n';
        printSummaryLine(tr("longest event-loop block, ms"), figures.longestBlockMs, 2);
        printSummaryLine(tr("the same less CPU wait, ms"), figures.longestOwnBlockMs, 2);
        addGoal(tr("%1, p99 of the longest: %2 ms (less CPU wait %3 ms)")
                    .arg(goal)
                    .arg(figures.longestBlockMs.p99, 0, 'f', 2)
                    .arg(figures.longestOwnBlockMs.p99, 0, 'f', 2),
            figures.failedValidations == 0 && figures.longestBlockMs.p99 <= blockGoalMs);
    }

    void printRunVariant(const QString &sensor, const WholeRunFigures &figures)
    {
        m_out << tr("   %1: %2 runs, %3 failed, %4 with a misread value")
                     .arg(sensor)
                     .arg(figures.runs)
                     .arg(figures.failedRuns)
                     .arg(figures.misreadRuns)
              << '\n';
        printSummaryLine(tr("wall time, ms"), figures.wallMs, 1);
        printSummaryLine(tr("line time, ms"), figures.lineMs, 1);
        printSummaryLine(tr("wall / line"), figures.wallToLine, 3);
        printSummaryLine(tr("wall / (line + sensor pauses)"), figures.wallToInstrument, 3);
        printSummaryLine(tr("added by the utility, ms"), figures.addedMs, 1);
        addGoal(tr("whole-run ratio under 1.05 (%1), wall / (line + sensor pauses): median %2, "
                   "p99 %3; %4 failed, %5 misread")
                    .arg(sensor)
                    .arg(figures.wallToInstrument.median, 0, 'f', 3)
                    .arg(figures.wallToInstrument.p99, 0, 'f', 3)
                    .arg(figures.failedRuns)
                    .arg(figures.misreadRuns),
            figures.failedRuns == 0 && figures.misreadRuns == 0
                && figures.wallToInstrument.p99 < wholeRunGoalRatio);
    }

    static QString kindName(DispatchKind kind)
    {
        switch (kind) {
        case DispatchKind::Identification:
            return tr("identification");
        case DispatchKind::Measurement:
            return tr("measurement");
        case DispatchKind::RawMode:
            return tr("raw mode");
        }
        return {};
    }

    void printBareLine(const QString &label, const Summary &latency, double replyLineMs)
    {
        m_out << QStringLiteral("   %1 %2 %3 %4 %5")
                     .arg(label, -22)
                     .arg(latency.count, 6)
                     .arg(latency.median, 10, 'f', 3)
                     .arg(latency.p99, 8, 'f', 3)
                     .arg(latency.p99 / replyLineMs, 15, 'f', 4)
              << '\n';
    }

    void printSummaryLine(const QString &label, const Summary &summary, int decimals)
    {
        m_out << tr("   %1 median %2  p99 %3")
                     .arg(label, -32)
                     .arg(summary.median, 9, 'f', decimals)
                     .arg(summary.p99, 9, 'f', decimals)
              << '\n';
    }

    void printCpuLine(const QString &label, const Summary &percent)
    {
        m_out << tr("   %1 median %2 ms/min (%3 %)  p99 %4 ms/min (%5 %)")
                     .arg(label, -32)
                     .arg(percent.median * msPerMinutePerPercent, 0, 'f', 2)
                     .arg(percent.median, 0, 'f', 4)
                     .arg(percent.p99 * msPerMinutePerPercent, 0, 'f', 2)
                     .arg(percent.p99, 0, 'f', 4)
              << '\n';
    }

    void printStage(const QString &label, const StartupComparison &comparison,
        Summary StartupStages::*stage, double Summary::*statistic = &Summary::median)
    {
        const double utility = (comparison.utility.*stage).*statistic;
        const double empty = (comparison.minimal.*stage).*statistic;
        const double withText = (comparison.minimalWithText.*stage).*statistic;
        m_out << QStringLiteral("   %1 %2 %3 %4 %5 %6")
                     .arg(label, -30)
                     .arg(utility, 9, 'f', 1)
                     .arg(empty, 15, 'f', 1)
                     .arg(utility / empty, 7, 'f', 2)
                     .arg(withText, 15, 'f', 1)
                     .arg(utility / withText, 7, 'f', 2)
              << '\n';
    }

    void addGoal(const QString &goal, bool met)
    {
        m_goals.append(QStringLiteral("   %1: %2").arg(goal, met ? tr("met") : tr("MISSED")));
    }

    QTextStream m_out { stdout };
    QStringList m_goals;
};

// Which parts to measure: those named on the command line, or all of them.
class PartChoice
{
    Q_DECLARE_TR_FUNCTIONS(PartChoice)

public:
    explicit PartChoice(const QApplication &app)
    {
        QCommandLineParser parser;
        parser.setApplicationDescription(
            tr("Measures what the utility adds to the instrument's own time against the "
               "simulated fixture, and prints the figures with the goals they meet or miss."));
        parser.addHelpOption();
        parser.addPositionalArgument(QStringLiteral("parts"),
            tr("Any of dispatch, runs, responsiveness, startup, busy-disk, records, register, "
               "sync, verify (default: all)."),
            QStringLiteral("[parts...]"));
        parser.process(app);
        m_named = parser.positionalArguments();
    }

    bool wants(const char *part) const
    {
        return m_named.isEmpty() || m_named.contains(QLatin1String(part));
    }

private:
    QStringList m_named;
};

template <typename Figures, typename Measure>
std::optional<Figures> measureIf(bool wanted, Measure measure)
{
    return wanted ? std::optional<Figures>(measure()) : std::nullopt;
}

}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setUpApplication(app);
    // The dialogs record their runs in the calibration records; the benchmark's are not a
    // technician's and stay out of the real ones.
    QStandardPaths::setTestModeEnabled(true);
    const PartChoice parts(app);

    // The first validation of the process is probed first, so its one-off costs count as they
    // would in a technician's first run.
    const auto responsiveness = measureIf<ResponsivenessFigures>(parts.wants("responsiveness"),
        [] { return measureResponsiveness(probedValidations, cpuWindows); });
    const auto dispatch = measureIf<DispatchFigures>(
        parts.wants("dispatch"), [] { return measureDispatch(dispatchSessions); });
    const auto readingAtOnceRuns = measureIf<WholeRunFigures>(
        parts.wants("runs"), [] { return measureWholeRuns(pacedRuns, readingAtOnce()); });
    const auto samplingRuns = measureIf<WholeRunFigures>(
        parts.wants("runs"), [] { return measureWholeRuns(pacedRuns, answeringAtOnce()); });
    const auto startup = measureIf<StartupComparison>(
        parts.wants("startup"), [] { return measureStartup(startupLaunches); });
    const auto busyDisk = measureIf<BlockFigures>(
        parts.wants("busy-disk"), [] { return measureUnderBusyDisk(probedValidations); });
    // A big lab's records, built once for the parts that use them.
    const SyntheticLab bigLab;
    const QString recordsFolder = QFileInfo(RecordsDatabase::defaultPath()).absolutePath();
    QDir().mkpath(recordsFolder);
    QTemporaryDir bigLabFolder(recordsFolder + QStringLiteral("/big-lab-XXXXXX"));
    const QString bigLabRecords = bigLabFolder.filePath(QStringLiteral("records.sqlite"));
    const auto growth = measureIf<SyntheticFigures>(
        parts.wants("records") || parts.wants("register") || parts.wants("verify"),
        [&] { return buildSyntheticRecords(bigLabRecords, bigLab); });
    const auto records = measureIf<RecordsFigures>(parts.wants("records"),
        [&] { return measureRecords(recordCommits, storeCalibrations, *growth, bigLab.runs); });
    const auto register_ = measureIf<RegisterFigures>(
        parts.wants("register"), [&] { return measureRegister(bigLabRecords, registerLaunches); });
    const auto verify = measureIf<VerifyFigures>(parts.wants("verify"),
        [&] { return measureVerify(bigLabRecords, growth->events, verifyRepeats); });

    const auto sync = measureIf<SyncFigures>(
        parts.wants("sync"), [] { return measureSync(backlogRuns, serverArrivals); });

    FigurePrinter printer;
    if (dispatch)
        printer.printDispatch(*dispatch);
    if (readingAtOnceRuns && samplingRuns)
        printer.printWholeRuns(*readingAtOnceRuns, *samplingRuns, answeringAtOnce().measureDelayMs);
    if (responsiveness)
        printer.printResponsiveness(*responsiveness);
    if (startup)
        printer.printStartup(*startup);
    if (busyDisk)
        printer.printBusyDisk(*busyDisk);
    if (records)
        printer.printPart(recordsFigureLines(*records), recordsGoals(*records));
    if (register_)
        printer.printPart(registerFigureLines(*register_), registerGoals(*register_));
    if (sync)
        printer.printPart(syncFigureLines(*sync), syncGoals(*sync));
    if (verify)
        printer.printPart(verifyFigureLines(*verify), verifyGoals(*verify));
    printer.printGoals();
    return 0;
}
