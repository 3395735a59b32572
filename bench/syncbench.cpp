#include "syncbench.h"

#include "clocks.h"
#include "commands.h"
#include "pgcluster.h"
#include "recordsdatabase.h"
#include "recordslog.h"
#include "recordssender.h"
#include "runevents.h"
#include "storedrecords.h"
#include "syntheticrecords.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

namespace {
constexpr double drainGoalSeconds = 60.0;
constexpr double arrivalGoalMs = 1000.0;
constexpr char measuring[] = "sync-bench";
constexpr char uncheckedConnection[] = "sync-bench-unchecked";
constexpr double chainCheckGoalRatio = 1.5;
constexpr auto arrivalPatience = std::chrono::seconds(10);

const char bareTable[]
    = "CREATE TABLE bare_events (id bytea PRIMARY KEY, run bytea, kind text, utc_ms bigint,"
      " utc_offset_s integer, sensor_serial bytea, fixture_serial bytea, verdict text,"
      " payload bytea, hash bytea, bench text, source bytea, source_seq bigint)";
const QString bareName = QStringLiteral("bare_events");

bool insertBare(QSqlDatabase &server, const QList<RecordsDatabase::StoredEvent> &events)
{
    QSqlQuery insert(server);
    insert.prepare(serverInsertStatement(bareName, events.size()));
    for (const RecordsDatabase::StoredEvent &stored : events)
        bindForServer(insert, stored, QStringLiteral("bare"), QByteArrayLiteral("bare"));
    return insert.exec();
}

// The server's own time for the rows: the sender's batches, each one INSERT in a transaction,
// into a plain table logged and synced as the register is, nothing read here, no trigger and
// only the key the sender's statement needs.
double bareSeconds(QSqlDatabase &server, const QList<RecordsDatabase::StoredEvent> &events)
{
    const qint64 startNs = monotonicNs();
    for (qsizetype first = 0; first < events.size(); first += senderBatch) {
        server.transaction();
        insertBare(server, events.mid(first, senderBatch));
        server.commit();
    }
    return nsToMs(monotonicNs() - startNs) / 1000;
}

bool arrived(QSqlQuery &look, const QUuid &id)
{
    look.addBindValue(id.toRfc4122());
    return look.exec() && look.next() && look.value(0).toInt() > 0;
}

// From the records thread's word that an event is on disk here to the event being visible on
// the server, one event at a time with the sender running as in the dialog's program; each
// beside one bare row inserted and committed.
std::pair<Summary, Summary> arrivals(
    const QString &path, const QString &server, QSqlDatabase &watch, int count)
{
    RecordsLog log(path);
    RecordsSender sender(path, server);
    QSqlQuery look(watch);
    look.prepare(QStringLiteral("SELECT count(*) FROM events WHERE id = ?"));
    QList<double> arrivalTimes, bareTimes;
    for (int i = 0; i < count; ++i) {
        const RecordEvent event = sampleStoreEvent();
        QSignalSpy committed(&log, &RecordsLog::committed);
        log.commit(event);
        if (!committed.wait(int(std::chrono::milliseconds(arrivalPatience).count())))
            break;
        const qint64 committedNs = monotonicNs();
        while (!arrived(look, event.id)
            && monotonicNs() - committedNs < qint64(arrivalPatience.count()) * 1000000000)
            QThread::usleep(200);
        arrivalTimes.append(nsToMs(monotonicNs() - committedNs));
        const qint64 bareNs = monotonicNs();
        insertBare(watch, { { 0, sampleStoreEvent(), {}, {} } });
        bareTimes.append(nsToMs(monotonicNs() - bareNs));
    }
    return { summarize(arrivalTimes), summarize(bareTimes) };
}

// A second register on the same server, as the first but without the check that each event
// continues its records' chain: what that check costs a drain.
QString uncheckedRegister(QSqlDatabase &watch, const QString &server, QString *failure)
{
    const QString unchecked = server + QStringLiteral(" dbname=unchecked");
    QString said;
    QTextStream out(&said);
    QSqlQuery owner(watch);
    if (!owner.exec(QStringLiteral("CREATE DATABASE unchecked"))
        || RecordsCommand::serverInit(unchecked, out, out) != 0
        || !openServerConnection(unchecked, QLatin1String(uncheckedConnection), failure)) {
        *failure += said + owner.lastError().text();
        return {};
    }
    {
        QSqlQuery drop(QSqlDatabase::database(QLatin1String(uncheckedConnection)));
        if (!drop.exec(QStringLiteral("DROP TRIGGER events_continue_chains ON events")))
            *failure = drop.lastError().text();
    }
    RecordsDatabase::close(QLatin1String(uncheckedConnection));
    return failure->isEmpty() ? unchecked : QString();
}
}

QString startRegister(PgCluster &cluster)
{
    QString said;
    QTextStream out(&said);
    if (!cluster.start() || RecordsCommand::serverInit(cluster.ownerServer(), out, out) != 0)
        return cluster.error() + said;
    return {};
}

double drainSeconds(const QString &records, const QString &server, QString *failure)
{
    SyncStatus status;
    const qint64 startNs = monotonicNs();
    if (!RecordsSender::sendAll(records, server, &status))
        *failure = status.lastError;
    return nsToMs(monotonicNs() - startNs) / 1000;
}

SyncFigures measureSync(int backlogRuns, int arrivalCount)
{
    SyncFigures figures;
    PgCluster cluster;
    QTemporaryDir dir;
    figures.failure = startRegister(cluster);
    if (!figures.failure.isEmpty())
        return figures;
    const QString server = cluster.ownerServer();
    QString error;
    if (!openServerConnection(server, QLatin1String(measuring), &error)) {
        figures.failure = error;
        return figures;
    }
    {
        QSqlDatabase watch = QSqlDatabase::database(QLatin1String(measuring));
        QSqlQuery(watch).exec(QLatin1String(bareTable));
        const QString backlog = dir.filePath(QStringLiteral("backlog.sqlite"));
        SyntheticLab lab;
        lab.runs = backlogRuns;
        lab.sensors = std::max(1, backlogRuns / 20);
        figures.backlogEvents = buildSyntheticRecords(backlog, lab).events;
        figures.bareSeconds = bareSeconds(watch, storedEvents(backlog));
        figures.drainSeconds = drainSeconds(backlog, server, &figures.failure);
        const QString unchecked = uncheckedRegister(watch, server, &figures.failure);
        if (!unchecked.isEmpty())
            figures.uncheckedSeconds = drainSeconds(backlog, unchecked, &figures.failure);
        // The bench's records go on growing after the backlog, as a bench's do.
        std::tie(figures.arrivalMs, figures.bareInsertMs)
            = arrivals(backlog, server, watch, arrivalCount);
    }
    RecordsDatabase::close(QLatin1String(measuring));
    return figures;
}

QStringList syncFigureLines(const SyncFigures &figures)
{
    if (!figures.failure.isEmpty())
        return {
            QStringLiteral("8. Records to the lab's server: not measured: %1").arg(figures.failure)
        };
    return {
        QCoreApplication::translate("SyncBench",
            "8. Records to the lab's PostgreSQL server (on this computer, over its socket)"),
        QStringLiteral(
            "   backlog of %1 events drained in %2 s, %3 events/s; the same rows inserted bare: "
            "%4 s, %5 events/s")
            .arg(figures.backlogEvents)
            .arg(figures.drainSeconds, 0, 'f', 2)
            .arg(double(figures.backlogEvents) / figures.drainSeconds, 0, 'f', 0)
            .arg(figures.bareSeconds, 0, 'f', 2)
            .arg(double(figures.backlogEvents) / figures.bareSeconds, 0, 'f', 0),
        QStringLiteral("   the same backlog into a register without the chain check: %1 s, "
                       "%2 events/s (with it / without: %3)")
            .arg(figures.uncheckedSeconds, 0, 'f', 2)
            .arg(double(figures.backlogEvents) / figures.uncheckedSeconds, 0, 'f', 0)
            .arg(figures.drainSeconds / figures.uncheckedSeconds, 0, 'f', 2),
        summaryLine(QStringLiteral("local commit to server commit, ms"), figures.arrivalMs),
        summaryLine(
            QStringLiteral("one bare row inserted and committed, ms"), figures.bareInsertMs),
    };
}

QList<Goal> syncGoals(const SyncFigures &figures)
{
    const bool measured = figures.failure.isEmpty();
    return {
        { QStringLiteral("a backlog of %1 events drains in under a minute: %2 s")
                .arg(figures.backlogEvents)
                .arg(figures.drainSeconds, 0, 'f', 2),
            measured && figures.drainSeconds < drainGoalSeconds },
        { QStringLiteral("the chain check costs the drain at most %1 x: %2 x")
                .arg(chainCheckGoalRatio)
                .arg(figures.drainSeconds / figures.uncheckedSeconds, 0, 'f', 2),
            measured && figures.drainSeconds <= chainCheckGoalRatio * figures.uncheckedSeconds },
        { QStringLiteral(
              "local commit to server commit p99 under 1 s, server idle: %1 ms (bare insert %2 ms)")
                .arg(figures.arrivalMs.p99, 0, 'f', 2)
                .arg(figures.bareInsertMs.p99, 0, 'f', 2),
            measured && figures.arrivalMs.count > 0 && figures.arrivalMs.p99 < arrivalGoalMs },
    };
}
