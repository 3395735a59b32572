#include "verifybench.h"

#include "clocks.h"
#include "commands.h"
#include "pgcluster.h"
#include "syncbench.h"

#include <QCoreApplication>
#include <QProcess>
#include <functional>

namespace {
constexpr double verifyGoalSeconds = 10.0;
constexpr int commandTimeoutMs = 300000;

// Wall time of one command to its end, its output thrown away; what it said on failure.
double secondsOf(const QString &program, const QStringList &arguments, QString *failure)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    const qint64 startNs = monotonicNs();
    process.start(program, arguments);
    const bool finished = process.waitForFinished(commandTimeoutMs);
    const double seconds = nsToMs(monotonicNs() - startNs) / 1000;
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        *failure = QStringLiteral("%1 %2: %3%4")
                       .arg(program, arguments.join(QLatin1Char(' ')), process.errorString(),
                           QString::fromLocal8Bit(process.readAllStandardError()));
    return seconds;
}

// The command's own work, in this process: output thrown away, its exit status kept.
double commandSeconds(const std::function<int(QTextStream &, QTextStream &)> &command,
    const QString &what, QString *failure)
{
    QString said;
    QTextStream out(&said);
    const qint64 startNs = monotonicNs();
    const int status = command(out, out);
    const double seconds = nsToMs(monotonicNs() - startNs) / 1000;
    if (status != 0)
        *failure = what + QStringLiteral(": ") + said;
    return seconds;
}
}

VerifyFigures measureVerify(const QString &records, qint64 events, int repeats)
{
    VerifyFigures figures;
    figures.events = events;
    PgCluster cluster;
    figures.failure = startRegister(cluster);
    if (!figures.failure.isEmpty())
        return figures;
    const QString server = cluster.ownerServer();
    figures.drainSeconds = drainSeconds(records, server, &figures.failure);
    if (!figures.failure.isEmpty())
        return figures;

    // Taking turns, so that what else the machine does falls on all alike.
    QList<double> localTimes, comparedTimes, serverTimes, sqliteTimes;
    for (int i = 0; i < repeats; ++i) {
        sqliteTimes.append(secondsOf(QStringLiteral("sqlite3"),
            { QStringLiteral("-readonly"), records, QStringLiteral("SELECT * FROM events") },
            &figures.failure));
        localTimes.append(commandSeconds(
            [&](QTextStream &out, QTextStream &err) {
                return RecordsCommand::verify(records, QString(), out, err);
            },
            QStringLiteral("verify"), &figures.failure));
        comparedTimes.append(commandSeconds(
            [&](QTextStream &out, QTextStream &err) {
                return RecordsCommand::verify(records, server, out, err);
            },
            QStringLiteral("verify with the server set"), &figures.failure));
        serverTimes.append(commandSeconds(
            [&](QTextStream &out, QTextStream &err) {
                return RecordsCommand::verifyServer(server, out, err);
            },
            QStringLiteral("verify --server"), &figures.failure));
    }
    figures.localSeconds = summarize(localTimes);
    figures.comparedSeconds = summarize(comparedTimes);
    figures.serverSeconds = summarize(serverTimes);
    figures.sqliteSeconds = summarize(sqliteTimes);
    return figures;
}

QStringList verifyFigureLines(const VerifyFigures &figures)
{
    if (!figures.failure.isEmpty())
        return {
            QStringLiteral("9. Verifying the records: not measured: %1").arg(figures.failure)
        };
    const auto line = [&](const QString &label, const Summary &seconds) {
        return QStringLiteral("   %1 median %2  p99 %3   sqlite3 reading the rows median %4")
            .arg(label, -40)
            .arg(seconds.median, 7, 'f', 2)
            .arg(seconds.p99, 7, 'f', 2)
            .arg(figures.sqliteSeconds.median, 0, 'f', 2);
    };
    return {
        QStringLiteral("9. cvu-records verify on the big lab's records (%1 events, %2 times each)")
            .arg(figures.events)
            .arg(figures.localSeconds.count),
        QStringLiteral("   the same events sent to the lab's server first: %1 s")
            .arg(figures.drainSeconds, 0, 'f', 1),
        line(QStringLiteral("the local check, s"), figures.localSeconds),
        line(QStringLiteral("and compared with the server's copy, s"), figures.comparedSeconds),
        line(QStringLiteral("every bench's chain on the server, s"), figures.serverSeconds),
    };
}

QList<Goal> verifyGoals(const VerifyFigures &figures)
{
    const bool measured = figures.failure.isEmpty();
    return {
        { QStringLiteral("verify of %1 events within 10 s, p99: %2 s alone, %3 s with the server")
                .arg(figures.events)
                .arg(figures.localSeconds.p99, 0, 'f', 2)
                .arg(figures.comparedSeconds.p99, 0, 'f', 2),
            measured && figures.localSeconds.p99 <= verifyGoalSeconds
                && figures.comparedSeconds.p99 <= verifyGoalSeconds },
    };
}
