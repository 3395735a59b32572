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
constexpr auto arrivalPatience = std::chrono::seconds(10);

const char bareTable[]
    = "CREATE TABLE bare_events (id bytea, run bytea, kind text, utc_ms bigint,"
      " utc_offset_s integer, sensor_serial bytea, fixture_serial bytea, verdict text,"
      " payload bytea, hash bytea)";
const char bareInsert[] = "INSERT INTO bare_events VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";

void bindBare(QSqlQuery &insert, const RecordsDatabase::StoredEvent &stored)
{
    const RecordEvent &event = stored.event;
    for (const QVariant &value : { QVariant(event.id.toRfc4122()), QVariant(event.run.toRfc4122()),
             QVariant(event.kind), QVariant(event.utcMs), QVariant(event.utcOffsetSeconds),
             QVariant(event.sensorSerial), QVariant(event.fixtureSerial), QVariant(event.verdict),
             QVariant(stored.storedPayload), QVariant(stored.hash) })
        insert.addBindValue(value);
}

// The server's own time for the rows: the sender's batches into a plain table, logged and synced
// as the register is, nothing read here, no keys, no triggers.
double bareSeconds(QSqlDatabase &server, const QList<RecordsDatabase::StoredEvent> &events)
{
    const qint64 startNs = monotonicNs();
    QSqlQuery insert(server);
    insert.prepare(QLatin1String(bareInsert));
    for (qsizetype first = 0; first < events.size(); first += senderBatch) {
        server.transaction();
        for (qsizetype i = first; i < std::min(events.size(), first + senderBatch); ++i) {
            bindBare(insert, events.at(i));
            insert.exec();
        }
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
    QSqlQuery bare(watch);
    bare.prepare(QLatin1String(bareInsert));
    const RecordsDatabase::StoredEvent sample { 0, sampleStoreEvent(), {}, {} };
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
        bindBare(bare, sample);
        bare.exec();
        bareTimes.append(nsToMs(monotonicNs() - bareNs));
    }
    return { summarize(arrivalTimes), summarize(bareTimes) };
}
}

SyncFigures measureSync(int backlogRuns, int arrivalCount)
{
    SyncFigures figures;
    PgCluster cluster;
    QTemporaryDir dir;
    QString said;
    QTextStream out(&said);
    if (!cluster.start() || RecordsCommand::serverInit(cluster.ownerServer(), out, out) != 0) {
        figures.failure = cluster.error() + said;
        return figures;
    }
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
        SyncStatus status;
        const qint64 startNs = monotonicNs();
        if (!RecordsSender::sendAll(backlog, server, &status))
            figures.failure = status.lastError;
        figures.drainSeconds = nsToMs(monotonicNs() - startNs) / 1000;
        std::tie(figures.arrivalMs, figures.bareInsertMs) = arrivals(
            dir.filePath(QStringLiteral("arrivals.sqlite")), server, watch, arrivalCount);
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
        { QStringLiteral(
              "local commit to server commit p99 under 1 s, server idle: %1 ms (bare insert %2 ms)")
                .arg(figures.arrivalMs.p99, 0, 'f', 2)
                .arg(figures.bareInsertMs.p99, 0, 'f', 2),
            measured && figures.arrivalMs.count > 0 && figures.arrivalMs.p99 < arrivalGoalMs },
    };
}
