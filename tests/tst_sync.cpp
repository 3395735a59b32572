#include "chaincheck.h"
#include "commands.h"
#include "fixturesession.h"
#include "pgcluster.h"
#include "recordsreading.h"
#include "recordssender.h"
#include "register.h"
#include "registerwindow.h"
#include "samplerun.h"
#include "serverregister.h"
#include "settingsdialog.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {
constexpr char owner[] = "test-owner";
constexpr char benchPassword[] = "right-password";
constexpr auto drainPatience = std::chrono::seconds(60);

// Runs of the sample sensor, their serials counting up from the given one, written as a bench
// writes them: each run's events in one go.
bool writeRuns(const QString &path, int runs, int firstSerial = 1000)
{
    const QString connection = QStringLiteral("test-writer");
    QString error;
    bool written = RecordsDatabase::openForWriting(path, connection, &error);
    {
        QSqlDatabase db = QSqlDatabase::database(connection);
        for (int run = 0; written && run < runs; ++run)
            written = RecordsDatabase::appendEvents(
                db, sampleRunEvents(runReporting(QByteArray::number(firstSerial + run))), &error);
    }
    RecordsDatabase::close(connection);
    if (!written)
        qWarning("cannot write the runs: %s", qPrintable(error));
    return written;
}

QByteArray sourceOf(const QString &path)
{
    const QString connection = QStringLiteral("test-identity");
    QString error;
    QByteArray source;
    if (RecordsDatabase::openForReading(path, connection, &error)) {
        QSqlDatabase db = QSqlDatabase::database(connection);
        source = RecordsDatabase::databaseIdentity(db);
    }
    RecordsDatabase::close(connection);
    return source;
}

QSqlDatabase ownerDatabase()
{
    return QSqlDatabase::database(QLatin1String(owner));
}

// A statement run as the server's owner, its values bound; false and the reason warned when it
// failed. PostgreSQL prepares no statement that makes roles or databases: those have no values.
bool asOwner(const QString &statement, const QVariantList &values = {})
{
    QSqlQuery query(ownerDatabase());
    bool done = false;
    if (values.isEmpty()) {
        done = query.exec(statement);
    } else {
        query.prepare(statement);
        for (const QVariant &value : values)
            query.addBindValue(value);
        done = query.exec();
    }
    if (done)
        return true;
    qWarning("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
    return false;
}

qint64 serverCount(const QByteArray &source)
{
    QSqlQuery count(ownerDatabase());
    count.prepare(QStringLiteral("SELECT count(*) FROM events WHERE source = ?"));
    count.addBindValue(source);
    return count.exec() && count.next() ? count.value(0).toLongLong() : -1;
}

// Where the server's copy of a bench's records first differs from the bench's own, in the
// server's order of arrival; empty when every event is there once, in order, byte for byte.
QString differenceOnServer(const QString &path)
{
    const QList<RecordsDatabase::StoredEvent> local = storedEvents(path);
    QSqlQuery rows(ownerDatabase());
    rows.prepare(
        QStringLiteral("SELECT id, run, kind, sensor_serial, fixture_serial, payload, hash,"
                       " source_seq FROM events WHERE source = ? ORDER BY seq"));
    rows.addBindValue(sourceOf(path));
    if (local.isEmpty() || !rows.exec())
        return QStringLiteral("cannot compare: %1").arg(rows.lastError().text());
    qsizetype at = 0;
    for (; rows.next(); ++at) {
        if (at >= local.size())
            return QStringLiteral("the server has more events than the bench: %1").arg(at + 1);
        const RecordsDatabase::StoredEvent &stored = local.at(at);
        const RecordEvent &event = stored.event;
        if (rows.value(0).toByteArray() != event.id.toRfc4122()
            || rows.value(1).toByteArray() != event.run.toRfc4122()
            || rows.value(2).toString() != event.kind
            || rows.value(3).toByteArray() != event.sensorSerial
            || rows.value(4).toByteArray() != event.fixtureSerial
            || rows.value(5).toByteArray() != stored.storedPayload
            || rows.value(6).toByteArray() != stored.hash
            || rows.value(7).toLongLong() != stored.seq)
            return QStringLiteral("event %1 (%2) differs").arg(at + 1).arg(event.kind);
    }
    return at == local.size()
        ? QString()
        : QStringLiteral("the server has %1 of %2 events").arg(at).arg(local.size());
}

bool waitUntilSent(const RecordsSender &sender, std::chrono::milliseconds patience = drainPatience)
{
    const bool sent = QTest::qWaitFor(
        [&] {
            const SyncStatus status = sender.status();
            return status.waiting == 0 && status.lastError.isEmpty();
        },
        int(patience.count()));
    if (!sent)
        qWarning("still %lld waiting: %s", sender.status().waiting,
            qPrintable(sender.status().lastError));
    return sent;
}

int commandStatus(const std::function<int(QTextStream &, QTextStream &)> &command, QString *said)
{
    QTextStream out(said);
    QTextStream err(said);
    return command(out, err);
}
}

// The records of several benches flowing to the lab's PostgreSQL server: each event there once,
// in its bench's order and byte for byte, whatever stopped in between; the register read from
// there; and what the server refuses a bench.
class SyncTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        useTestSettings();
        removeRecords();
        setSenderRetryForTesting(std::chrono::milliseconds(20), std::chrono::milliseconds(200));
        QVERIFY(m_dir.isValid());
        QVERIFY2(m_cluster.start(), qPrintable(m_cluster.error()));
        QString said;
        QCOMPARE(commandStatus(
                     [&](QTextStream &out, QTextStream &err) {
                         return RecordsCommand::serverInit(m_cluster.ownerServer(), out, err);
                     },
                     &said),
            0);
        QVERIFY2(openOwner(), "the owner cannot connect");
        QVERIFY(asOwner(QStringLiteral(
            "CREATE ROLE bench_a LOGIN PASSWORD 'right-password' IN ROLE cvu_bench")));
        QVERIFY(asOwner(QStringLiteral("CREATE ROLE bench_b LOGIN IN ROLE cvu_bench")));
        // A bench given more than it should have: the trigger still keeps the register whole.
        QVERIFY(asOwner(QStringLiteral("CREATE ROLE careless LOGIN IN ROLE cvu_bench")));
        QVERIFY(asOwner(QStringLiteral("GRANT UPDATE, DELETE ON events TO careless")));
        QVERIFY(asOwner(QStringLiteral("CREATE DATABASE unprepared")));
    }

    void cleanupTestCase() { RecordsDatabase::close(QLatin1String(owner)); }

    // Two benches send at once; each event arrives once, and an acknowledgement lost after the
    // server committed makes the batch go again without doubling anything.
    void twoBenchesSendAtOnce()
    {
        const QString benchA = m_dir.filePath(QStringLiteral("bench-a.sqlite"));
        const QString benchB = m_dir.filePath(QStringLiteral("bench-b.sqlite"));
        QVERIFY(writeRuns(benchA, 400));
        QVERIFY(writeRuns(benchB, 300, 5000));
        {
            RecordsSender senderA(benchA, m_cluster.socketServer(QStringLiteral("bench_a")));
            RecordsSender senderB(benchB, m_cluster.socketServer(QStringLiteral("bench_b")));
            QVERIFY(waitUntilSent(senderA));
            QVERIFY(waitUntilSent(senderB));
        }
        QCOMPARE(differenceOnServer(benchA), QString());
        QCOMPARE(differenceOnServer(benchB), QString());

        const QString connection = QStringLiteral("test-forget");
        QString error;
        QVERIFY(RecordsDatabase::openForWriting(benchA, connection, &error));
        {
            QSqlQuery forget(QSqlDatabase::database(connection));
            QVERIFY(forget.exec(QStringLiteral("DELETE FROM sent")));
        }
        RecordsDatabase::close(connection);
        QString said;
        QCOMPARE(commandStatus(
                     [&](QTextStream &out, QTextStream &err) {
                         return RecordsCommand::sync(
                             benchA, m_cluster.socketServer(QStringLiteral("bench_a")), out, err);
                     },
                     &said),
            0);
        QCOMPARE(said.trimmed(), QStringLiteral("all records are on the server"));
        QCOMPARE(differenceOnServer(benchA), QString());

        said.clear();
        QCOMPARE(commandStatus(
                     [&](QTextStream &out, QTextStream &err) {
                         return RecordsCommand::verifyServer(m_cluster.ownerServer(), out, err);
                     },
                     &said),
            0);
        QCOMPARE(said.count(QStringLiteral("records intact")), 2);
    }

    // The server stops dead while a batch is on its way: the batch is gone from the server, the
    // bench keeps it and sends it again once the server is back.
    void aServerStoppedMidBatchLosesAndDoublesNothing()
    {
        const QString bench = m_dir.filePath(QStringLiteral("cut-off.sqlite"));
        QVERIFY(writeRuns(bench, 1500));
        const qint64 total = storedEvents(bench).size();
        {
            RecordsSender sender(bench, m_cluster.socketServer(QStringLiteral("bench_a")));
            QVERIFY2(QTest::qWaitFor([] { return benchInTransaction(); }, 20000),
                "no batch seen on its way");
            QVERIFY2(m_cluster.stop(true), qPrintable(m_cluster.error()));
            QVERIFY(QTest::qWaitFor(
                [&] {
                    return sender.status().lastError.contains(QLatin1String("cannot be reached"));
                },
                10000));
            QVERIFY(sender.status().waiting > 0);
            QVERIFY2(m_cluster.start(), qPrintable(m_cluster.error()));
            QVERIFY(openOwner());
            const qint64 arrived = serverCount(sourceOf(bench));
            QVERIFY2(arrived % senderBatch == 0 && arrived < total,
                qPrintable(QString::number(arrived)));
            QVERIFY(waitUntilSent(sender));
        }
        QCOMPARE(differenceOnServer(bench), QString());
    }

    // A bench calibrates on while the server is gone; its records wait, are counted and said to
    // wait, and reach the server once it is back, where the register and the window show them.
    void aBenchWorksOnWhileTheServerIsDownAndCatchesUp()
    {
        const QString records = RecordsDatabase::defaultPath();
        const QString server = m_cluster.socketServer(QStringLiteral("bench_b"));
        QVERIFY(m_cluster.stop());
        RecordsSender sender(records, server);
        QVERIFY(runAtTheBench(calibratableSensor(), true));
        QVERIFY(QTest::qWaitFor(
            [&] {
                const SyncStatus status = sender.status();
                return status.waiting > 0
                    && status.lastError.contains(QLatin1String("cannot be reached"));
            },
            10000));
        const QString waiting = m_dir.filePath(QStringLiteral("waiting.sqlite"));
        QVERIFY(writeRuns(waiting, 2));
        QString said;
        QCOMPARE(commandStatus(
                     [&](QTextStream &out, QTextStream &err) {
                         return RecordsCommand::sync(waiting, server, out, err);
                     },
                     &said),
            1);
        QVERIFY2(said.startsWith(QLatin1String(
                     "6 records waiting for the server: The server cannot be reached")),
            qPrintable(said));
        {
            RegisterWindow window(records, server);
            QVERIFY(!window.showsServer());
            QVERIFY(window.findChild<QLabel *>(QStringLiteral("registerLBL_source"))
                        ->text()
                        .contains(QLatin1String(
                            "the lab's server is not shown: The server cannot be reached")));
        }

        QVERIFY(m_cluster.start());
        QVERIFY(openOwner());
        QVERIFY(waitUntilSent(sender));
        QCOMPARE(differenceOnServer(records), QString());

        const QByteArray serial = lastRecorded(EventKind::identified, records).sensorSerial;
        RegisterWindow window(records, server);
        QVERIFY(window.showsServer());
        auto *sync = window.findChild<QLabel *>(QStringLiteral("registerLBL_sync"));
        QTRY_COMPARE_WITH_TIMEOUT(
            sync->text(), QStringLiteral("All records of this computer are on the server."), 5000);
        QString error;
        Register onServer(ownerDatabase(), RegisterSettings());
        const QList<RunSummary> runs = onServer.runsOf(serial, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(runs.size(), 1);
        QCOMPARE(runs.first().computer, RunContext::ofThisProgram().computer);
        QVERIFY(runs.first().adjustment.has_value());
    }

    // Serials with quotes, SQL, a NUL byte or bytes that are no UTF-8 reach the server exactly,
    // and the register there finds the sensor by them.
    void hostileSerialsArriveExactly()
    {
        const QString bench = m_dir.filePath(QStringLiteral("hostile.sqlite"));
        const QList<QByteArray> serials { "5\"1'7\"", "'; DROP TABLE events; --",
            QByteArray("51\0"
                       "7",
                4),
            "\xff\xfe\xc3\x28\x80" };
        {
            const QString connection = QStringLiteral("test-hostile");
            QString error;
            QVERIFY(RecordsDatabase::openForWriting(bench, connection, &error));
            QSqlDatabase db = QSqlDatabase::database(connection);
            for (const QByteArray &serial : serials)
                QVERIFY2(RecordsDatabase::appendEvents(
                             db, sampleRunEvents(runReporting(serial)), &error),
                    qPrintable(error));
            RecordsDatabase::close(connection);
        }
        SyncStatus status;
        QVERIFY2(RecordsSender::sendAll(
                     bench, m_cluster.socketServer(QStringLiteral("bench_a")), &status),
            qPrintable(status.lastError));
        QCOMPARE(differenceOnServer(bench), QString());
        QString error;
        const QList<SensorSummary> sensors
            = Register(ownerDatabase(), RegisterSettings()).sensors(&error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        for (const RecordEvent &identified : recordedEvents(bench)) {
            if (identified.kind != QLatin1String(EventKind::identified))
                continue;
            QVERIFY(std::any_of(sensors.cbegin(), sensors.cend(), [&](const SensorSummary &sensor) {
                return sensor.serial == identified.sensorSerial;
            }));
        }
    }

    // What cannot be reached or is refused is said in words, for the settings' test button and
    // for a bench's status.
    void whatFailedIsSaidInWords()
    {
        QTemporaryDir home;
        const QString passwords = home.filePath(QStringLiteral("pgpass"));
        const auto passwordIs = [&](const QByteArray &password) {
            QFile file(passwords);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("127.0.0.1:" + QByteArray::number(m_cluster.port())
                + ":*:bench_a:" + password + "\n");
            file.close();
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        };
        qputenv("PGPASSFILE", QFile::encodeName(passwords));
        const QString overTcp = m_cluster.tcpServer(QStringLiteral("bench_a"));
        passwordIs("wrong-password");
        QVERIFY2(testServer(overTcp).startsWith(
                     QLatin1String("The server refused the account's name or password")),
            qPrintable(testServer(overTcp)));
        passwordIs(benchPassword);
        QVERIFY2(
            testServer(overTcp).startsWith(QLatin1String("Connected: the lab's register holds")),
            qPrintable(testServer(overTcp)));
        qunsetenv("PGPASSFILE");

        QVERIFY(testServer(
            m_cluster.socketServer(QStringLiteral("bench_a"), QStringLiteral("unprepared")))
                    .startsWith(QLatin1String("The server has no calibration register yet")));
        QVERIFY(
            testServer(m_cluster.socketServer(QStringLiteral("bench_a"), QStringLiteral("absent")))
                .startsWith(QLatin1String("The server has no database of that name")));
        QVERIFY(testServer(QStringLiteral("host=127.0.0.1 port=1 user=bench_a"))
                    .startsWith(QLatin1String("The server cannot be reached")));
        QCOMPARE(
            describeServerError(QStringLiteral("SSL error: certificate verify failed")).left(36),
            QStringLiteral("The secure connection (TLS) to the s"));
    }

    // A bench may add and read, nothing more, even one granted more by mistake; the owner's
    // own change is found by the check of the chains.
    void benchesMayOnlyAdd()
    {
        for (const char *role : { "bench_a", "careless" }) {
            const QString connection = QStringLiteral("test-%1").arg(QLatin1String(role));
            QString error;
            QVERIFY2(openServerConnection(
                         m_cluster.socketServer(QLatin1String(role)), connection, &error),
                qPrintable(error));
            QSqlQuery change(QSqlDatabase::database(connection));
            QVERIFY(!change.exec(QStringLiteral("UPDATE events SET verdict = 'passed'")));
            QVERIFY(!change.exec(QStringLiteral("DELETE FROM events")));
            QVERIFY(!change.exec(QStringLiteral("TRUNCATE events")));
            QVERIFY(change.exec(QStringLiteral("SELECT count(*) FROM events")));
            RecordsDatabase::close(connection);
        }
        QCOMPARE(differenceOnServer(m_dir.filePath(QStringLiteral("bench-b.sqlite"))), QString());

        const QByteArray tampered = sourceOf(m_dir.filePath(QStringLiteral("bench-b.sqlite")));
        QVERIFY(asOwner(QStringLiteral("UPDATE events SET utc_ms = utc_ms + 1 WHERE seq ="
                                       " (SELECT max(seq) FROM events WHERE source = ?)"),
            { tampered }));
        QString said;
        QCOMPARE(commandStatus(
                     [&](QTextStream &out, QTextStream &err) {
                         return RecordsCommand::verifyServer(m_cluster.ownerServer(), out, err);
                     },
                     &said),
            1);
        QCOMPARE(said.count(QStringLiteral("records broken")), 1);
    }

private:
    bool openOwner()
    {
        RecordsDatabase::close(QLatin1String(owner));
        QString error;
        return openServerConnection(m_cluster.ownerServer(), QLatin1String(owner), &error);
    }

    // A bench's batch is on its way: its transaction is open on the server.
    static bool benchInTransaction()
    {
        QSqlQuery look(ownerDatabase());
        look.prepare(QStringLiteral(
            "SELECT count(*) FROM pg_stat_activity WHERE usename = ? AND xact_start IS NOT NULL"));
        look.addBindValue(QStringLiteral("bench_a"));
        return look.exec() && look.next() && look.value(0).toInt() > 0;
    }

    QTemporaryDir m_dir;
    PgCluster m_cluster;
};

QTEST_MAIN(SyncTest)
#include "tst_sync.moc"
