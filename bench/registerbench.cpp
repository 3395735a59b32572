#include "registerbench.h"

#include "clocks.h"
#include "recordsdatabase.h"
#include "register.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace {
constexpr double listGoalMs = 1000;
constexpr double sensorPageGoalMs = 100;
constexpr double keystrokeGoalMs = 50;
constexpr double memoryGoalMiB = 150;
constexpr double overQueriesGoal = 2.0;
constexpr double auditorViewGoalMs = 200;
// Since any run a synthetic lab holds, as the launched window asks.
const QDate beforeEveryRun(2000, 1, 1);
constexpr char connection[] = "register-bench";

// Runs the statement and reads every row's every column, as a view would before it decodes.
QList<QVariantList> rowsOf(const BoundQuery &bound)
{
    QSqlQuery query(QSqlDatabase::database(QLatin1String(connection)));
    query.setForwardOnly(true);
    query.prepare(bound.statement);
    for (const QVariant &value : bound.values)
        query.addBindValue(value);
    QList<QVariantList> rows;
    if (!query.exec())
        return rows;
    const int columns = query.record().count();
    while (query.next()) {
        QVariantList row;
        for (int column = 0; column < columns; ++column)
            row.append(query.value(column));
        rows.append(row);
    }
    return rows;
}

// The sensors list's statements, and one identification per sensor.
double listQueriesMs()
{
    const qint64 startNs = monotonicNs();
    rowsOf(RegisterQueries::sensorTotals());
    rowsOf(RegisterQueries::runEndings());
    for (const QVariantList &latest : rowsOf(RegisterQueries::latestRuns()))
        rowsOf(
            RegisterQueries::identificationOf(QUuid::fromRfc4122(latest.value(2).toByteArray())));
    return nsToMs(monotonicNs() - startNs);
}

double sensorQueriesMs(const QByteArray &serial)
{
    const qint64 startNs = monotonicNs();
    for (const QVariantList &run : rowsOf(RegisterQueries::runsOf(serial)))
        rowsOf(RegisterQueries::eventsOf(QUuid::fromRfc4122(run.value(0).toByteArray())));
    return nsToMs(monotonicNs() - startNs);
}

// A fixture's runs from the first day until today, every event of them.
double recallQueriesMs(const QByteArray &fixture, const QDate &from)
{
    const qint64 startNs = monotonicNs();
    rowsOf(RegisterQueries::eventsOfRunsWithFixture(fixture, from, QDate::currentDate()));
    return nsToMs(monotonicNs() - startNs);
}

double auditTrailQueriesMs(const QUuid &run)
{
    const qint64 startNs = monotonicNs();
    rowsOf(RegisterQueries::eventsOf(run));
    return nsToMs(monotonicNs() - startNs);
}

struct Launch
{
    double listMs, sensorPageMs, keystrokeMs, peakMiB;
    QByteArray serial;
    double auditTrailMs;
    QUuid run;
    double recallMs;
    QByteArray fixture;
    int recalledRuns;
    double intervalRecallMs;
    int intervalRuns;
};

std::optional<Launch> launch(const QString &databasePath)
{
    QProcess subject;
    const QString program
        = QCoreApplication::applicationDirPath() + QStringLiteral("/cvu-bench-register");
    const qint64 startedNs = monotonicNs();
    subject.start(program, { databasePath });
    if (!subject.waitForFinished(60000) || subject.exitCode() != 0)
        return std::nullopt;
    const QList<QByteArray> fields = subject.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() != 12)
        return std::nullopt;
    return Launch { nsToMs(fields[0].toLongLong() - startedNs), nsToMs(fields[1].toLongLong()),
        nsToMs(fields[2].toLongLong()), fields[3].toDouble() / 1024, fields[4],
        nsToMs(fields[5].toLongLong()), QUuid::fromString(QLatin1String(fields[6])),
        nsToMs(fields[7].toLongLong()), fields[8], fields[9].toInt(),
        nsToMs(fields[10].toLongLong()), fields[11].toInt() };
}

QString line(const QString &label, const Summary &view, const std::optional<Summary> &queries)
{
    QString text = QStringLiteral("   %1 median %2  p99 %3")
                       .arg(label, -34)
                       .arg(view.median, 8, 'f', 1)
                       .arg(view.p99, 8, 'f', 1);
    if (queries)
        text += QStringLiteral("   SQLite alone median %1 (view / queries %2)")
                    .arg(queries->median, 0, 'f', 1)
                    .arg(view.median / queries->median, 0, 'f', 2);
    return text;
}
}

RegisterFigures measureRegister(const QString &databasePath, int launches)
{
    RegisterFigures figures;
    figures.launches = launches;
    QList<double> list, sensorPage, keystroke, memory, listQueries, sensorQueries, auditTrail,
        auditTrailQueries, recall, recallQueries, intervalRecall, intervalRecallQueries;
    QString error;
    RecordsDatabase::openForReading(databasePath, QLatin1String(connection), &error);
    for (int round = 0; round < launches; ++round) {
        const std::optional<Launch> measured = launch(databasePath);
        if (!measured) {
            ++figures.failedLaunches;
            continue;
        }
        list.append(measured->listMs);
        sensorPage.append(measured->sensorPageMs);
        keystroke.append(measured->keystrokeMs);
        memory.append(measured->peakMiB);
        listQueries.append(listQueriesMs());
        sensorQueries.append(sensorQueriesMs(measured->serial));
        auditTrail.append(measured->auditTrailMs);
        auditTrailQueries.append(auditTrailQueriesMs(measured->run));
        recall.append(measured->recallMs);
        recallQueries.append(recallQueriesMs(measured->fixture, beforeEveryRun));
        figures.recalledRuns = measured->recalledRuns;
        intervalRecall.append(measured->intervalRecallMs);
        intervalRecallQueries.append(recallQueriesMs(measured->fixture,
            QDate::currentDate().addMonths(-RegisterSettings().fixtureIntervalMonths)));
        figures.intervalRuns = measured->intervalRuns;
    }
    RecordsDatabase::close(QLatin1String(connection));
    figures.listMs = summarize(list);
    figures.sensorPageMs = summarize(sensorPage);
    figures.keystrokeMs = summarize(keystroke);
    figures.peakMiB = summarize(memory);
    figures.listQueriesMs = summarize(listQueries);
    figures.sensorQueriesMs = summarize(sensorQueries);
    figures.auditTrailMs = summarize(auditTrail);
    figures.auditTrailQueriesMs = summarize(auditTrailQueries);
    figures.recallMs = summarize(recall);
    figures.recallQueriesMs = summarize(recallQueries);
    figures.intervalRecallMs = summarize(intervalRecall);
    figures.intervalRecallQueriesMs = summarize(intervalRecallQueries);
    return figures;
}

QStringList registerFigureLines(const RegisterFigures &figures)
{
    return { QStringLiteral(
                 "7. The register window on the big lab's records (%1 launches, %2 failed)")
                 .arg(figures.launches)
                 .arg(figures.failedLaunches),
        line(QStringLiteral("start to painted sensors list, ms"), figures.listMs,
            figures.listQueriesMs),
        line(QStringLiteral("one sensor's page with both charts, ms"), figures.sensorPageMs,
            figures.sensorQueriesMs),
        line(QStringLiteral("one filter keystroke, ms"), figures.keystrokeMs, std::nullopt),
        line(QStringLiteral("a run's audit trail, ms"), figures.auditTrailMs,
            figures.auditTrailQueriesMs),
        line(QStringLiteral("recall, last interval (%1 runs), ms").arg(figures.intervalRuns),
            figures.intervalRecallMs, figures.intervalRecallQueriesMs),
        line(QStringLiteral("recall, ten years (%1 runs), ms").arg(figures.recalledRuns),
            figures.recallMs, figures.recallQueriesMs),
        line(QStringLiteral("peak memory, MiB"), figures.peakMiB, std::nullopt) };
}

QList<Goal> registerGoals(const RegisterFigures &figures)
{
    const bool ran = figures.failedLaunches == 0 && figures.launches > 0;
    const double listRatio = figures.listMs.median / figures.listQueriesMs.median;
    const double sensorRatio = figures.sensorPageMs.median / figures.sensorQueriesMs.median;
    return {
        { QStringLiteral("sensors list within 1 s of the start: %1 ms")
                .arg(figures.listMs.p99, 0, 'f', 1),
            ran && figures.listMs.p99 <= listGoalMs },
        { QStringLiteral("a sensor's page within 100 ms: %1 ms")
                .arg(figures.sensorPageMs.p99, 0, 'f', 1),
            ran && figures.sensorPageMs.p99 <= sensorPageGoalMs },
        { QStringLiteral("a filter keystroke within 50 ms: %1 ms")
                .arg(figures.keystrokeMs.p99, 0, 'f', 1),
            ran && figures.keystrokeMs.p99 <= keystrokeGoalMs },
        { QStringLiteral("a run's audit trail within 200 ms: %1 ms")
                .arg(figures.auditTrailMs.p99, 0, 'f', 1),
            ran && figures.auditTrailMs.p99 <= auditorViewGoalMs },
        { QStringLiteral("a fixture's recall over its last interval within 200 ms: %1 ms")
                .arg(figures.intervalRecallMs.p99, 0, 'f', 1),
            ran && figures.intervalRuns > 0 && figures.intervalRecallMs.p99 <= auditorViewGoalMs },
        { QStringLiteral("a fixture's recall over ten years within 200 ms: %1 ms")
                .arg(figures.recallMs.p99, 0, 'f', 1),
            ran && figures.recalledRuns > 0 && figures.recallMs.p99 <= auditorViewGoalMs },
        { QStringLiteral("peak memory at most 150 MiB: %1 MiB").arg(figures.peakMiB.p99, 0, 'f', 1),
            ran && figures.peakMiB.p99 <= memoryGoalMiB },
        { QStringLiteral("no view over twice its queries' own time: list %1 x, sensor page %2 x")
                .arg(listRatio, 0, 'f', 2)
                .arg(sensorRatio, 0, 'f', 2),
            ran && listRatio <= overQueriesGoal && sensorRatio <= overQueriesGoal },
    };
}
