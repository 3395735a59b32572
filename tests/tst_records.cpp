#include "chaincheck.h"
#include "commands.h"
#include "filesizelimit.h"
#include "historycsv.h"
#include "historyimport.h"
#include "protocol.h"
#include "recordsdatabase.h"
#include "recordslog.h"
#include "recordsprogram.h"
#include "recordsreading.h"
#include "runevents.h"
#include "samplerun.h"
#include "smallfilesystem.h"
#include "tamperer.h"
#include "testfiles.h"

#include <QCborArray>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>
#include <cstdio>

namespace {
constexpr char writeUntilKilled[] = "--write-until-killed";
constexpr char recordOneEvent[] = "--record-one-event";

bool appendAll(RecordsLog &log, const QList<RecordEvent> &events)
{
    for (const RecordEvent &event : events)
        log.append(event);
    return log.waitUntilWritten(std::chrono::seconds(10));
}

// The answer to one commit, once it came.
struct CommitAnswer
{
    bool stored = false;
    QString reason;
};

std::optional<CommitAnswer> commitAndAwait(RecordsLog &log, const RecordEvent &event)
{
    QSignalSpy answers(&log, &RecordsLog::committed);
    log.commit(event);
    // Records known to be failing answer at once.
    if (answers.isEmpty() && !answers.wait(5000))
        return std::nullopt;
    return CommitAnswer { answers.first().at(1).toBool(), answers.first().at(2).toString() };
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

int verifyStatus(const QString &path, QString *said)
{
    QTextStream out(said);
    QString errors;
    QTextStream err(&errors);
    const int status = RecordsCommand::verify(path, QString(), out, err);
    out.flush();
    *said += errors;
    return status;
}

const QByteArray legacyHeader = HistoryCsv::byteOrderMark
    + "Date,Time,Fixture model,Fixture serial,Fixture version,Sensor serial,Sensor firmware,Event,"
      "Step 1,Step 2,Step 3,Step 4,Step 5,Low average,High average,Old MC,Old BC,New MC,New BC,"
      "Report file\r\n";

QByteArray legacyLine(const QByteArray &sensor, const QByteArray &event)
{
    return "2025-03-04,09:15:00,KR-5M-LD-CV-LNK,1047,1.2," + sensor + ",0.87," + event
        + ",,,,,,,,,,,,\r\n";
}

// What the child writes until it is killed: each event's id once its commit is reported.
int writeEventsUntilKilled(const QString &path)
{
    RecordsLog log(path);
    const RunRecord run = runReporting("517");
    QObject::connect(&log, &RecordsLog::committed, &log, [&](const QUuid &id, bool stored) {
        if (stored) {
            std::printf("%s\n", qPrintable(id.toString(QUuid::WithoutBraces)));
            std::fflush(stdout);
        }
        log.commit(validationEvent(run));
    });
    log.commit(identifiedEvent(run, RunContext::ofThisProgram()));
    return QCoreApplication::exec();
}

// A program that starts, records one event, and ends: what opens the records (and imports an
// old history) at its start.
int recordOne(const QString &path)
{
    RecordsLog log(path);
    log.append(identifiedEvent(runReporting("517"), RunContext::ofThisProgram()));
    return log.waitUntilWritten(std::chrono::seconds(20)) ? 0 : 1;
}

// A run that was calibrated: failed as found, adjusted, confirmed stored, passed as left, closed.
QList<RecordEvent> calibratedRunEvents(RunRecord run)
{
    run.validation->steps[0]->text = QStringLiteral("-94.2");
    run.validation->steps[0]->passed = false;
    QList<RecordEvent> events { identifiedEvent(run, RunContext::ofThisProgram()),
        validationEvent(run), calibrationEvent(run, Verdict::computed), storeEvent(run, false),
        saveStepEvent(run, "mc=1.745200\r"), saveResultEvent(run, Verdict::confirmed) };
    run.store = StoreRecord { {}, true };
    run.validation->phase = ValidationPhase::AsLeft;
    run.validation->steps[0]->text = QStringLiteral("2.8");
    run.validation->steps[0]->passed = true;
    events += { validationEvent(run), endedEvent(run, QStringLiteral("closed")) };
    return events;
}

// Records with the log (-wal) and its index (-shm) a writer killed in its work leaves.
bool killWriterMidWork(const QString &path)
{
    QProcess writer;
    writer.start(QCoreApplication::applicationFilePath(), { writeUntilKilled, path });
    if (!writer.waitForStarted() || !writer.waitForReadyRead(10000))
        return false;
    writer.kill();
    return writer.waitForFinished() && QFile::exists(path + QStringLiteral("-wal"));
}
}

// The calibration records on real SQLite files in a temporary folder: what is written reads back
// exactly, the chain finds any change, the old history is imported once, and no fault loses an
// event already committed.
class RecordsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        RecordsDatabase::setBusyTimeoutForTesting(std::chrono::milliseconds(300));
    }

    void hostileTextsAreStoredAndReadBackExactly_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("quotes") << QByteArray("5\"1'7\"");
        QTest::newRow("SQL") << QByteArray("'; DROP TABLE runs; --");
        QTest::newRow("NUL") << QByteArray("51\0"
                                           "7",
            4);
        QTest::newRow("not UTF-8") << QByteArray("\xff\xfe\xc3\x28\x80");
        QTest::newRow("4 KiB") << QByteArray(4096, 'x');
    }

    void hostileTextsAreStoredAndReadBackExactly()
    {
        QFETCH(QByteArray, text);
        const QString path
            = m_dir.filePath(QStringLiteral("hostile-%1.sqlite").arg(QTest::currentDataTag()));
        const RunRecord run = runReporting(text);
        const QList<RecordEvent> written = sampleRunEvents(run);
        {
            // Closed right after the events are handed over: they are on disk by then.
            RecordsLog log(path);
            for (const RecordEvent &event : written)
                log.append(event);
        }
        const QList<RecordEvent> read = recordedEvents(path);
        QCOMPARE(read.size(), written.size());
        for (qsizetype i = 0; i < read.size(); ++i)
            QVERIFY2(read[i] == written[i], qPrintable(read[i].kind));
        const QCborMap sensor = read.first().payload.value(QLatin1String(Key::sensor)).toMap();
        QCOMPARE(sensor.value(QLatin1String(Key::serial))
                     .toMap()
                     .value(QLatin1String(Key::reply))
                     .toByteArray(),
            run.sensor.serial.reply);
        QCOMPARE(sensor.value(QLatin1String(Key::firmware))
                     .toMap()
                     .value(QLatin1String(Key::reply))
                     .toByteArray(),
            run.sensor.firmware.reply);
        QCOMPARE(read.first().sensorSerial, run.sensor.serial.text.trimmed().toLatin1());
        QString said;
        QCOMPARE(verifyStatus(path, &said), 0);
        QCOMPARE(said.trimmed(), QStringLiteral("records intact: 4 events"));
    }

    // Nothing in the program can change an event; one changed behind its back is found.
    void verifyFindsAChangedReading()
    {
        const QString path = m_dir.filePath(QStringLiteral("tampered.sqlite"));
        const RunRecord run = runReporting("517");
        {
            RecordsLog log(path);
            QVERIFY(appendAll(log, sampleRunEvents(run)));
        }
        RunRecord changed = run;
        changed.validation->steps[2]->text = QStringLiteral("600");
        const QByteArray forged = encodedPayload(validationEvent(changed).payload);
        {
            QString error;
            QVERIFY(RecordsDatabase::openForWriting(path, QStringLiteral("tamper"), &error));
            QSqlDatabase db = QSqlDatabase::database(QStringLiteral("tamper"));
            QSqlQuery query(db);
            query.prepare(QStringLiteral("UPDATE events SET payload = ? WHERE seq = 2"));
            query.addBindValue(forged);
            QVERIFY(!query.exec());
            QVERIFY2(query.lastError().text().contains(QLatin1String("only ever added to")),
                qPrintable(query.lastError().text()));
            QVERIFY(!QSqlQuery(db).exec(QStringLiteral("DELETE FROM events WHERE seq = 3")));
            QVERIFY(QSqlQuery(db).exec(QStringLiteral("DROP TRIGGER events_never_change")));
            QVERIFY(query.exec());
        }
        RecordsDatabase::close(QStringLiteral("tamper"));

        QString said;
        QCOMPARE(verifyStatus(path, &said), 1);
        const QString changedId = recordedEvents(path).at(1).id.toString(QUuid::WithoutBraces);
        QVERIFY2(said.startsWith(QLatin1String("records not intact (4 events read):\n  the trigger "
                                               "events_never_change is missing from the records' "
                                               "schema\n  event 2 (validation, "))
                && said.contains(changedId + ") does not match its record\n"),
            qPrintable(said));
    }

    void oldHistoryIsImportedOnce()
    {
        const QString folder = m_dir.filePath(QStringLiteral("import"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/records.sqlite");
        const QString csv = RecordsDatabase::legacyHistoryPath(path);
        const QByteArray quoted = "\"5,17\"";
        const QByteArray lines = legacyLine(quoted, "Identified")
            + legacyLine(quoted, "Validation passed") + legacyLine("600", "Identified")
            + "2025-03-05,10:00:00,KR-5M-LD-CV-LNK,10"; // a line cut short by an old crash
        QVERIFY(writeBytes(csv, legacyHeader + lines));
        {
            RecordsLog log(path);
            QVERIFY(appendAll(
                log, { identifiedEvent(runReporting("517"), RunContext::ofThisProgram()) }));
        }
        QList<RecordEvent> events = recordedEvents(path);
        QCOMPARE(events.size(), 6);
        QCOMPARE(events[0].kind, QLatin1String(EventKind::imported));
        QCOMPARE(events[0].payload.value(QLatin1String(Key::line)).toByteArray(),
            legacyLine(quoted, "Identified").chopped(2));
        QCOMPARE(events[0].sensorSerial, QByteArray("5,17"));
        QCOMPARE(events[1].verdict, QLatin1String(Verdict::passed));
        QCOMPARE(events[0].run, events[1].run);
        QVERIFY(events[2].run != events[1].run);
        QCOMPARE(events[3].payload.value(QLatin1String(Key::line)).toByteArray(),
            QByteArray("2025-03-05,10:00:00,KR-5M-LD-CV-LNK,10"));
        QCOMPARE(events[4].kind, QLatin1String(EventKind::importFinished));
        QVERIFY(!QFile::exists(csv));
        QCOMPARE(fileContents(folder + "/calibration-history.imported.csv"), legacyHeader + lines);

        // The same file back again at a later start, say from a backup: renamed, never
        // imported twice.
        QVERIFY(writeBytes(csv, legacyHeader + lines));
        QString error;
        QVERIFY(RecordsDatabase::openForWriting(path, QStringLiteral("next start"), &error));
        {
            QSqlDatabase db = QSqlDatabase::database(QStringLiteral("next start"));
            QVERIFY(importLegacyHistory(db, csv, &error));
        }
        RecordsDatabase::close(QStringLiteral("next start"));
        QVERIFY(!QFile::exists(csv));
        QCOMPARE(recordedEvents(path).size(), 6);
        QVERIFY(QFile::exists(folder + "/calibration-history.imported-2.csv"));
    }

    // An import cut short by a full disk leaves nothing; once there is room it is done whole.
    void interruptedImportIsFinishedNotDoubled()
    {
        const QString folder = m_dir.filePath(QStringLiteral("interrupted"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/records.sqlite");
        QByteArray lines;
        for (int line = 0; line < 400; ++line)
            lines += legacyLine(QByteArray::number(line), "Identified");
        QVERIFY(writeBytes(RecordsDatabase::legacyHistoryPath(path), legacyHeader + lines));
        RecordsDatabase::setMaxPageCountForTesting(12);
        RecordsLog log(path);
        QSignalSpy failures(&log, &RecordsLog::writeFailed);
        QVERIFY(failures.wait(5000));
        QVERIFY2(failures.first().first().toString().contains(QLatin1String("full")),
            qPrintable(failures.first().first().toString()));
        QVERIFY(recordedEvents(path).isEmpty());
        QVERIFY(QFile::exists(RecordsDatabase::legacyHistoryPath(path)));

        RecordsDatabase::setMaxPageCountForTesting(0);
        QTRY_COMPARE_WITH_TIMEOUT(recordedEvents(path).size(), 401, 5000);
        QVERIFY(!QFile::exists(RecordsDatabase::legacyHistoryPath(path)));
    }

    void exportKeepsTheOldColumnsFirst()
    {
        const QString folder = m_dir.filePath(QStringLiteral("export"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/records.sqlite");
        QVERIFY(writeBytes(RecordsDatabase::legacyHistoryPath(path),
            legacyHeader + legacyLine("\"5,17\"", "Identified")));
        const RunRecord run = runReporting("517");
        RunRecord shown = run;
        shown.sensor.serial.text = QStringLiteral("518");
        {
            RecordsLog log(path);
            QVERIFY(appendAll(log,
                sampleRunEvents(run)
                    + QList<RecordEvent> { reportEvent(run, QStringLiteral("/reports/517.txt"),
                        false, "report", editedFields(run, shown)) }));
        }
        const QString exported = folder + QStringLiteral("/export.csv");
        QString said;
        QTextStream out(&said);
        QCOMPARE(RecordsCommand::exportCsv(path, exported, out, out), 0);

        const QList<HistoryCsv::Record> records = HistoryCsv::parse(fileContents(exported));
        QCOMPARE(records.size(), 8);
        QCOMPARE(records[0].fields.mid(0, HistoryCsv::legacyColumns().size()),
            HistoryCsv::legacyColumns());
        QCOMPARE(records[0].fields, HistoryCsv::columns());
        const auto value = [&](int record, const char *column) {
            return records[record].fields.value(
                HistoryCsv::columns().indexOf(QLatin1String(column)));
        };
        QCOMPARE(records[1].fields.mid(0, 20),
            HistoryCsv::parse(legacyLine("\"5,17\"", "Identified")).first().fields);
        QCOMPARE(value(1, "Imported"), QStringLiteral("yes"));
        QCOMPARE(value(3, "Event"), QStringLiteral("Identified"));
        QCOMPARE(value(3, "Sensor serial"), QStringLiteral("517"));
        QCOMPARE(value(3, "Fixture calibration date"), QStringLiteral("01/10/12"));
        QCOMPARE(value(4, "Event"), QStringLiteral("Validation passed"));
        QCOMPARE(value(4, "Step 3"), QStringLiteral("603"));
        QCOMPARE(value(4, "Phase"), QLatin1String(Phase::asFound));
        QCOMPARE(value(6, "Event"), QStringLiteral("Constants sent"));
        QCOMPARE(value(6, "Old MC"), QStringLiteral("0.969556"));
        QCOMPARE(value(6, "New MC"), QStringLiteral("1.745200"));
        QCOMPARE(value(7, "Event"), QStringLiteral("Report written"));
        QCOMPARE(value(7, "Details"),
            QStringLiteral("validation report; Sensor serial edited from \"517\" to \"518\""));
    }

    // Every column of the export, on a run that fills each: what the devices said, where and by
    // whom, and each event's own values.
    void exportFillsEveryColumn()
    {
        RunRecord run = runReporting("517");
        run.calibration->lowAverage = 100;
        run.calibration->highAverage = 1100;
        const QList<RecordEvent> events { identifiedEvent(run, RunContext::ofThisProgram()),
            validationEvent(run), calibrationEvent(run, Verdict::computed), storeEvent(run, false),
            saveStepEvent(run, "mc=1.745200\r"), saveResultEvent(run, Verdict::confirmed),
            reportEvent(run, QStringLiteral("/reports/517.txt"), true, "report", {}),
            endedEvent(run, QStringLiteral("closed")) };
        const QString path = m_dir.filePath(QStringLiteral("every-column.sqlite"));
        QVERIFY(writeRecords(path, events));
        const QString csv = m_dir.filePath(QStringLiteral("every-column.csv"));
        QString said;
        QTextStream out(&said);
        QCOMPARE(RecordsCommand::exportCsv(path, csv, out, out), 0);
        const QList<HistoryCsv::Record> lines = HistoryCsv::parse(fileContents(csv));
        QCOMPARE(lines.size(), events.size() + 1);

        const RunContext context = RunContext::ofThisProgram();
        const QMap<QString, QString> everyLine { { "Fixture model", "KR-5M-LD-CV-LNK" },
            { "Fixture serial", "1047" }, { "Fixture version", "1.2" }, { "Sensor serial", "517" },
            { "Sensor firmware", "517" }, { "Fixture calibration date", "01/10/12" },
            { "Sensor model", "KR-5M-LD" }, { "Sensor calibration date", "06/14/12" },
            { "Computer", context.computer }, { "Account", context.login },
            { "Technician", context.fullName }, { "Program", context.program.trimmed() },
            { "Run", run.id.toString(QUuid::WithoutBraces) } };
        const QList<QMap<QString, QString>> ownValues {
            { { "Event", "Identified" } },
            { { "Event", "Validation passed" }, { "Step 1", "2.9" }, { "Step 2", "118" },
                { "Step 3", "603" }, { "Step 4", "1004" }, { "Step 5", "1698" },
                { "Phase", "as found" } },
            { { "Event", "Calibration computed" }, { "Low average", "100" },
                { "High average", "1100" }, { "New MC", "1.745200" }, { "New BC", "-171.72000" } },
            { { "Event", "Constants sent" }, { "Old MC", "0.969556" }, { "Old BC", "0.41" },
                { "New MC", "1.745200" }, { "New BC", "-171.72000" } },
            { { "Event", "Save step" }, { "Details", "mc=1.745200<CR>" } },
            { { "Event", "Save confirmed" } },
            { { "Event", "Report written" }, { "Report file", "/reports/517.txt" },
                { "Details", "calibration report" } },
            { { "Event", "Run ended" }, { "Details", "closed" } },
        };
        for (qsizetype line = 1; line < lines.size(); ++line) {
            const RecordEvent &event = events.at(line - 1);
            QMap<QString, QString> expected = everyLine;
            expected.insert(ownValues.at(line - 1));
            const QDateTime local = event.localTime();
            expected.insert("Date", local.toString("yyyy-MM-dd"));
            expected.insert("Time", local.toString("HH:mm:ss"));
            expected.insert("Event id", event.id.toString(QUuid::WithoutBraces));
            expected.insert("UTC time",
                QDateTime::fromMSecsSinceEpoch(event.utcMs, Qt::UTC).toString(Qt::ISODate));
            for (qsizetype column = 0; column < HistoryCsv::columns().size(); ++column) {
                const QString title = HistoryCsv::columns().at(column);
                QVERIFY2(lines.at(line).fields.value(column) == expected.value(title),
                    qPrintable(QStringLiteral("line %1, %2: \"%3\" not \"%4\"")
                                   .arg(line)
                                   .arg(title, lines.at(line).fields.value(column),
                                       expected.value(title))));
            }
        }
    }

    // Another program holds the database past the busy timeout: the commit is refused with the
    // reason, and the event is written once the other lets go.
    void lockedDatabaseDelaysEventsButLosesNone()
    {
        const QString path = m_dir.filePath(QStringLiteral("locked.sqlite"));
        const RunRecord run = runReporting("517");
        RecordsLog log(path);
        QVERIFY(appendAll(log, { identifiedEvent(run, RunContext::ofThisProgram()) }));
        QString error;
        QVERIFY(RecordsDatabase::openForWriting(path, QStringLiteral("holder"), &error));
        const RecordEvent store = storeEvent(run, false);
        {
            QSqlDatabase holder = QSqlDatabase::database(QStringLiteral("holder"));
            QVERIFY(QSqlQuery(holder).exec(QStringLiteral("BEGIN IMMEDIATE")));
            const std::optional<CommitAnswer> answer = commitAndAwait(log, store);
            QVERIFY(answer);
            QVERIFY(!answer->stored);
            QVERIFY2(answer->reason.contains(QLatin1String("locked")), qPrintable(answer->reason));
            QVERIFY(QSqlQuery(holder).exec(QStringLiteral("ROLLBACK")));
        }
        RecordsDatabase::close(QStringLiteral("holder"));
        QVERIFY(log.waitUntilWritten(std::chrono::seconds(5)));
        QCOMPARE(recordedKinds(path), (QStringList { "identified", "store" }));
        QCOMPARE(recordedEvents(path).constLast().id, store.id);
    }

    // Tests run as root, which no permission stops; a regular file in the path stops everyone.
    void unwritableFolderRefusesTheCommitWithItsReason()
    {
        const QString blocker = m_dir.filePath(QStringLiteral("blocker"));
        QVERIFY(writeBytes(blocker, {}));
        RecordsLog log(blocker + QStringLiteral("/records.sqlite"));
        const std::optional<CommitAnswer> answer
            = commitAndAwait(log, storeEvent(runReporting("517"), false));
        QVERIFY(answer);
        QVERIFY(!answer->stored);
        QVERIFY2(answer->reason.startsWith(QLatin1String("Cannot open the calibration records")),
            qPrintable(answer->reason));
        QCOMPARE(fileContents(blocker), QByteArray());
    }

    // A full disk refuses a commit; what was committed before stays whole, and the refused event
    // is written once there is room again.
    void fullDiskRefusesTheCommitAndLosesNothing()
    {
        const QString path = m_dir.filePath(QStringLiteral("full.sqlite"));
        const RunRecord run = runReporting("517");
        RecordsLog log(path);
        QVERIFY(appendAll(log, sampleRunEvents(run)));
        RecordEvent large = calibrationEvent(run, Verdict::computed);
        large.payload.insert(QStringLiteral("padding"), QByteArray(256 * 1024, 'p'));

        const qint64 room = QFileInfo(path + QStringLiteral("-wal")).size() + 16 * 1024;
        const std::optional<CommitAnswer> answer
            = withFileSizeLimit(room, [&] { return commitAndAwait(log, large); });
        QVERIFY(answer);
        QVERIFY(!answer->stored);
        QVERIFY(!answer->reason.isEmpty());

        QVERIFY(log.waitUntilWritten(std::chrono::seconds(5)));
        QCOMPARE(recordedEvents(path).size(), 5);
        QString said;
        QCOMPARE(verifyStatus(path, &said), 0);
    }

    void damagedFileIsKeptAsideAndNewRecordsBegun_data()
    {
        QTest::addColumn<bool>("database");
        QTest::newRow("not a database") << false;
        QTest::newRow("a damaged database") << true;
    }

    void damagedFileIsKeptAsideAndNewRecordsBegun()
    {
        QFETCH(bool, database);
        const QString folder = m_dir.filePath(QStringLiteral("damaged-%1").arg(database));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/records.sqlite");
        if (database) {
            // Written here, not through the records thread, which checks each file only once.
            QString error;
            QVERIFY(RecordsDatabase::openForWriting(path, QStringLiteral("seed"), &error));
            {
                QSqlDatabase seed = QSqlDatabase::database(QStringLiteral("seed"));
                QList<RecordEvent> many;
                for (int run = 0; run < 60; ++run)
                    many += sampleRunEvents(runReporting(QByteArray::number(run)));
                QVERIFY(RecordsDatabase::appendEvents(seed, many, &error));
            }
            RecordsDatabase::close(QStringLiteral("seed"));
            QVERIFY(!QFile::exists(path + QStringLiteral("-wal")));
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.seek(file.size() / 2));
            file.write(QByteArray(8192, '\x5a'));
        } else {
            QVERIFY(writeBytes(path, "a spreadsheet saved over the records"));
        }
        const QByteArray damaged = fileContents(path);

        RecordsLog log(path);
        QSignalSpy notices(&log, &RecordsLog::notice);
        QVERIFY(
            appendAll(log, { identifiedEvent(runReporting("517"), RunContext::ofThisProgram()) }));
        QTRY_COMPARE(notices.size(), 1);
        QVERIFY2(notices.first().first().toString().contains(QLatin1String("damaged")),
            qPrintable(notices.first().first().toString()));
        const QStringList aside
            = QDir(folder).entryList({ QStringLiteral("records.corrupt-*.sqlite") });
        QCOMPARE(aside.size(), 1);
        QCOMPARE(fileContents(folder + QLatin1Char('/') + aside.first()), damaged);
        QCOMPARE(recordedKinds(path), QStringList { "identified" });
    }

    // A writer killed at random moments, many times: the records still open, pass the integrity
    // check and the chain, and hold every event whose commit was reported.
    void killedWriterLosesNoCommittedEvent()
    {
        const QString path = m_dir.filePath(QStringLiteral("killed.sqlite"));
        QStringList committed;
        for (int kill = 0; kill < 15; ++kill) {
            QProcess writer;
            writer.start(QCoreApplication::applicationFilePath(), { writeUntilKilled, path });
            QVERIFY(writer.waitForStarted());
            QTest::qWait(100 + QRandomGenerator::global()->bounded(200));
            writer.kill();
            QVERIFY(writer.waitForFinished());
            committed += QString::fromLatin1(writer.readAllStandardOutput())
                             .split('\n', Qt::SkipEmptyParts);
        }
        QVERIFY2(committed.size() > 15, qPrintable(QString::number(committed.size())));

        QString error;
        QVERIFY(RecordsDatabase::openForWriting(path, QStringLiteral("after"), &error));
        QSet<QString> stored;
        {
            QSqlDatabase db = QSqlDatabase::database(QStringLiteral("after"));
            QSqlQuery integrity(db);
            QVERIFY(integrity.exec(QStringLiteral("PRAGMA integrity_check")) && integrity.next());
            QCOMPARE(integrity.value(0).toString(), QStringLiteral("ok"));
            QVERIFY(checkRecords(db, &error).intact());
            RecordsDatabase::readEvents(
                db, 0,
                [&](const RecordsDatabase::StoredEvent &event) {
                    stored.insert(event.event.id.toString(QUuid::WithoutBraces));
                    return true;
                },
                &error);
        }
        RecordsDatabase::close(QStringLiteral("after"));
        for (const QString &id : committed)
            QVERIFY2(stored.contains(id), qPrintable(id));
    }

    // Each attack an auditor makes on a copy of real records is found and named; the records
    // as they were pass.
    void everyAttackOnTheFileIsFound_data()
    {
        QTest::addColumn<int>("attack");
        QTest::addColumn<QString>("finding");
        QTest::newRow("a reading changed") << 0 << "event 2 (validation, ";
        QTest::newRow("the triggers dropped") << 1
                                              << "the trigger events_never_change is missing from "
                                                 "the records' schema";
        QTest::newRow("the last run deleted")
            << 2
            << "the records end before event 19, which the lab's server (lab) confirmed it holds";
        QTest::newRow("a run deleted from the middle, the chain recomputed")
            << 3 << "events 4 to 6 missing: the records go on with event 7 (";
        QTest::newRow("the readings as found rewritten, the chain recomputed")
            << 4 << "event 19 differs from the one the lab's server (lab) confirmed it holds";
        QTest::newRow("a forged run appended, its hashes valid")
            << 5 << "event 20 has the same identifier as event 1";
        QTest::newRow("a forged run with made-up identifiers") << 6 << "event 20 (identified, ";
        // The only finding on event 11 is its place: a report before any passing validation.
        QTest::newRow("the failing validation as found replaced by a report")
            << 7 << "event 11 (report, ";
    }

    void everyAttackOnTheFileIsFound()
    {
        QFETCH(int, attack);
        QFETCH(QString, finding);
        const QString path = m_dir.filePath(QStringLiteral("attacked-%1.sqlite").arg(attack));
        QList<RecordEvent> events;
        for (const QByteArray &serial : QList<QByteArray> { "517", "518", "519" })
            events += passedRunEvents(runReporting(serial));
        events += calibratedRunEvents(runReporting("600"));
        QList<RecordEvent> more = passedRunEvents(runReporting("601"));
        events += more.first();
        events += more.last();
        QVERIFY(writeRecords(path, events));
        {
            // As the sender leaves them: the server confirmed it holds every event.
            QString error;
            QVERIFY(RecordsDatabase::openForWriting(path, "acknowledge", &error));
            QSqlDatabase db = QSqlDatabase::database("acknowledge");
            const std::optional<RecordsDatabase::ChainPosition> head
                = RecordsDatabase::head(db, &error);
            QVERIFY(RecordsDatabase::setAcknowledgement(db, { "lab", *head, head->seq }, &error));
        }
        RecordsDatabase::close("acknowledge");
        QString said;
        QCOMPARE(verifyStatus(path, &said), 0);
        QCOMPARE(said, QStringLiteral("records intact: 19 events\n"));
        {
            Tamperer tamperer(path);
            switch (attack) {
            case 0: {
                RunRecord changed = runReporting("517");
                changed.validation->steps[2]->text = QStringLiteral("600");
                QVERIFY(tamperer.run("UPDATE events SET payload = ? WHERE seq = 2",
                    { encodedPayload(validationEvent(changed).payload) }));
                break;
            }
            case 1:
                tamperer.leaveTriggersOut();
                break;
            case 2:
                QVERIFY(tamperer.run("DELETE FROM events WHERE seq >= 18"));
                break;
            case 3:
                QVERIFY(tamperer.run("DELETE FROM events WHERE seq BETWEEN 4 AND 6"));
                QVERIFY(tamperer.rechainFrom(7));
                break;
            case 4: {
                RunRecord passing = runReporting("600");
                const RecordEvent asFound = validationEvent(passing);
                QVERIFY(
                    tamperer.run("UPDATE events SET payload = ?, verdict = 'passed' WHERE seq = 11",
                        { encodedPayload(asFound.payload) }));
                QVERIFY(tamperer.rechainFrom(11));
                break;
            }
            case 7: {
                const RecordEvent report = reportEvent(
                    runReporting("600"), QStringLiteral("600.txt"), false, "report", {});
                QVERIFY(tamperer.run(
                    "UPDATE events SET kind = ?, verdict = NULL, payload = ? WHERE seq = 11",
                    { report.kind, encodedPayload(report.payload) }));
                QVERIFY(tamperer.rechainFrom(11));
                break;
            }
            default: {
                // The first run again, for a sensor that never came in.
                QList<RecordsDatabase::StoredEvent> first
                    = RecordsDatabase::eventsOfRun(tamperer.db(), events.first().run, &said);
                const QUuid forgedRun = QUuid::createUuid();
                qint64 seq = 19;
                for (RecordsDatabase::StoredEvent stored : first) {
                    stored.event.run = forgedRun;
                    if (attack == 6)
                        stored.event.id = QUuid::createUuid();
                    if (!stored.event.sensorSerial.isEmpty())
                        stored.event.sensorSerial = "999";
                    QVERIFY(tamperer.run("INSERT INTO events (seq, id, run, kind, utc_ms, "
                                         "utc_offset_s, sensor_serial, fixture_serial, verdict, "
                                         "payload, hash) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, '')",
                        { ++seq, stored.event.id.toRfc4122(), forgedRun.toRfc4122(),
                            stored.event.kind, stored.event.utcMs, stored.event.utcOffsetSeconds,
                            stored.event.sensorSerial, stored.event.fixtureSerial,
                            stored.event.verdict.isEmpty()
                                ? QVariant(QMetaType::fromType<QString>())
                                : QVariant(stored.event.verdict),
                            stored.storedPayload }));
                }
                QVERIFY(tamperer.rechainFrom(20));
            }
            }
        }
        said.clear();
        QCOMPARE(verifyStatus(path, &said), 1);
        QVERIFY2(said.startsWith("records not intact (") && said.contains("\n  " + finding),
            qPrintable(said));
    }

    // Commands that only read leave every file as it was, a killed writer's log included, and
    // make none: run by another account on a shared folder, they leave nothing the owner could
    // then not write.
    void readingLeavesTheRecordsAsTheyWere()
    {
        const QString folder = m_dir.filePath(QStringLiteral("shared"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/records.sqlite");
        QVERIFY(writeRecords(path, passedRunEvents(runReporting("517"))));
        QVERIFY(killWriterMidWork(path));
        const QString outputs = m_dir.filePath(QStringLiteral("outputs"));
        QVERIFY(QDir().mkpath(outputs));
        const auto unchangedBy = [&](const QStringList &command, bool asNobody) {
            const QMap<QString, QString> before = folderState(folder);
            const Said said = runRecordsProgram(command + QStringList { "--database", path },
                asNobody ? std::function<void()>(becomeNobody) : std::function<void()>());
            const QMap<QString, QString> after = folderState(folder);
            if (said.status != 0 || before != after)
                qWarning() << command << said.all() << before << after;
            return said.status == 0 && before == after;
        };
        const auto commandsWritingTo = [](const QString &outputs) {
            return QList<QStringList> { { "verify" },
                { "export", "--csv", outputs + QStringLiteral("/history.csv") },
                { "certificate", "--serial", "517", "--output",
                    outputs + QStringLiteral("/certificate.pdf") } };
        };
        for (const QStringList &command : commandsWritingTo(outputs))
            QVERIFY(unchangedBy(command, false));

        if (geteuid() != 0)
            QSKIP("only root can read as another account here");
        const auto readable
            = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
        for (const QString &file : QDir(folder).entryList(QDir::Files))
            QVERIFY(QFile::setPermissions(folder + QLatin1Char('/') + file, readable));
        QVERIFY(QFile::setPermissions(m_dir.path(),
            QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeOther));
        const QString othersOutputs = m_dir.filePath(QStringLiteral("others-outputs"));
        QVERIFY(QDir().mkpath(othersOutputs));
        QVERIFY(QFile::setPermissions(othersOutputs,
            readable | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther | QFile::WriteGroup
                | QFile::WriteOther));
        QVERIFY(QFile::setPermissions(
            folder, readable | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther));
        for (const QStringList &command : commandsWritingTo(othersOutputs))
            QVERIFY(unchangedBy(command, true));
        // The owner writes on, its log and index still its own.
        QVERIFY(writeRecords(path, passedRunEvents(runReporting("518"))));
        // Records a writer closed properly have no log: they are read as they stand.
        QVERIFY(!QFile::exists(path + QStringLiteral("-wal")));
        QVERIFY(unchangedBy({ "verify" }, true));
        QVERIFY(!QFile::exists(path + QStringLiteral("-shm")));
    }

    // An output named after the records, one of their files, or a link to them, is refused and
    // the records stay whole.
    void outputsNeverOverwriteTheRecords()
    {
        const QString folder = m_dir.filePath(QStringLiteral("outputs-refused"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/records.sqlite");
        QVERIFY(writeRecords(path, passedRunEvents(runReporting("517"))));
        const QString link = m_dir.filePath(QStringLiteral("link-to-records.csv"));
        QVERIFY(QFile::link(path, link));
        const QMap<QString, QString> before = folderState(folder);
        for (const QString &output :
            { path, path + QStringLiteral("-wal"), path + QStringLiteral("-shm"), link }) {
            for (const QStringList &command : { QStringList { "export", "--csv", output },
                     QStringList { "certificate", "--serial", "517", "--output", output } }) {
                const Said said = runRecordsProgram(command + QStringList { "--database", path });
                QCOMPARE(said.status, 2);
                QCOMPARE(said.err.trimmed(),
                    QDir::toNativeSeparators(output)
                        + QStringLiteral(" is the records database or one of its files: choose "
                                         "another file to write."));
            }
        }
        QCOMPARE(folderState(folder), before);
        QVERIFY(!RecordsDatabase::isRecordsFile(folder + QStringLiteral("/records.csv"), path));
    }

    // Records of a newer version are refused by the writer before anything in them changes, and
    // by every reader with that reason.
    void aNewerVersionsRecordsAreLeftAlone()
    {
        const QString folder = m_dir.filePath(QStringLiteral("newer"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/records.sqlite");
        QVERIFY(writeRecords(path, passedRunEvents(runReporting("517"))));
        {
            // As the newer version would leave it: another journal mode, another version.
            QString error;
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "newer");
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec("PRAGMA journal_mode=DELETE"));
            QVERIFY(QSqlQuery(db).exec("PRAGMA user_version=99"));
        }
        RecordsDatabase::close("newer");
        const QMap<QString, QString> before = folderState(folder);
        const QString newer
            = QStringLiteral("come from a newer version of this program (schema 99");
        {
            RecordsLog log(path);
            QSignalSpy failures(&log, &RecordsLog::writeFailed);
            log.append(identifiedEvent(runReporting("518"), RunContext::ofThisProgram()));
            QVERIFY(failures.wait(5000));
            QVERIFY2(failures.first().first().toString().contains(newer),
                qPrintable(failures.first().first().toString()));
        }
        QCOMPARE(folderState(folder), before);
        for (const QStringList &command : { QStringList { "verify" },
                 QStringList { "export", "--csv", m_dir.filePath("newer.csv") },
                 QStringList { "certificate", "--serial", "517", "--output",
                     m_dir.filePath("newer.pdf") } }) {
            const Said said = runRecordsProgram(command + QStringList { "--database", path });
            QCOMPARE(said.status, 2);
            QVERIFY2(said.err.contains(newer), qPrintable(said.err));
        }
        QCOMPARE(folderState(folder), before);
    }

    // A file that holds no records says so, and stays as it is.
    void aFileThatIsNoRecordsIsNamed_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("zero bytes") << QByteArray();
        QTest::newRow("text") << QByteArray("Serial,Date\r\n517,2026-12-07\r\n");
        QTest::newRow("a damaged header") << QByteArray("SQLite format 3\0garbled", 23);
    }

    void aFileThatIsNoRecordsIsNamed()
    {
        QFETCH(QByteArray, contents);
        const QString path
            = m_dir.filePath(QStringLiteral("foreign-%1.sqlite").arg(QTest::currentDataTag()));
        QVERIFY(writeBytes(path, contents));
        for (const QStringList &command : { QStringList { "verify" },
                 QStringList { "export", "--csv", m_dir.filePath("foreign.csv") } }) {
            const Said said = runRecordsProgram(command + QStringList { "--database", path });
            QCOMPARE(said.status, 2);
            QCOMPARE(said.err.trimmed(),
                QStringLiteral("The file %1 is damaged or is not a calibration records database.")
                    .arg(QDir::toNativeSeparators(path)));
        }
        QCOMPARE(fileContents(path), contents);
        QVERIFY(!QFile::exists(path + QStringLiteral("-wal")));
    }

    // On a full disk an export or a certificate is refused with its reason, and a file of that
    // name keeps what it held.
    void aFullDiskKeepsTheOldFile()
    {
        const QString path = m_dir.filePath(QStringLiteral("for-full-disk.sqlite"));
        QList<RecordEvent> runs;
        for (int run = 0; run < 20; ++run)
            runs += passedRunEvents(runReporting(QByteArray::number(517 + run)));
        QVERIFY(writeRecords(path, runs));
        SmallFileSystem small;
        QTemporaryDir fallback;
        const QString folder = small.isMounted() ? small.filePath({}) : fallback.path();
        if (!small.isMounted())
            qInfo("no small file system (%s): the files' size is limited instead",
                qPrintable(small.whyNot()));
        const QByteArray old = "what the file held before\r\n";
        const QStringList outputs { folder + QStringLiteral("/history.csv"),
            folder + QStringLiteral("/certificate.pdf") };
        for (const QString &output : outputs)
            QVERIFY(writeBytes(output, old));
        QVERIFY(!small.isMounted() || small.filled());
        const auto fullDisk = small.isMounted() ? std::function<void()>() : fileSizeLimit(4096);
        const Said exported
            = runRecordsProgram({ "export", "--csv", outputs[0], "--database", path }, fullDisk);
        const Said certified = runRecordsProgram(
            { "certificate", "--serial", "517", "--output", outputs[1], "--database", path },
            fullDisk);
        for (const Said &said : { exported, certified }) {
            QCOMPARE(said.status, 2);
            QVERIFY2(
                said.err.contains(small.isMounted() ? "No space left on device" : "Cannot write")
                    || said.err.contains("too large"),
                qPrintable(said.err));
            QVERIFY2(!said.out.contains("exported to") && !said.out.contains("written to"),
                qPrintable(said.out));
        }
        for (const QString &output : outputs)
            QCOMPARE(fileContents(output), old);
    }

    // However many programs start at once, an old history is imported once.
    void programsStartingTogetherImportTheHistoryOnce()
    {
        for (int round = 0; round < 10; ++round) {
            const QString folder = m_dir.filePath(QStringLiteral("together-%1").arg(round));
            QVERIFY(QDir().mkpath(folder));
            const QString path = folder + QStringLiteral("/records.sqlite");
            QVERIFY(writeBytes(RecordsDatabase::legacyHistoryPath(path),
                legacyHeader + legacyLine("517", "Identified")
                    + legacyLine("517", "Validation failed")));
            QProcess first, second;
            for (QProcess *program : { &first, &second })
                program->start(QCoreApplication::applicationFilePath(), { recordOneEvent, path });
            for (QProcess *program : { &first, &second }) {
                QVERIFY(program->waitForFinished(30000));
                QCOMPARE(program->exitCode(), 0);
            }
            QStringList kinds = recordedKinds(path);
            QCOMPARE(kinds.count(QStringLiteral("imported")), 1);
            QCOMPARE(kinds.count(QStringLiteral("imported: failed")), 1);
            QCOMPARE(kinds.count(QStringLiteral("import finished")), 1);
            QCOMPARE(kinds.count(QStringLiteral("identified")), 2);
        }
    }

    // Text a spreadsheet would run as a formula is marked as text; numbers stay numbers.
    void spreadsheetFormulasAreNeutralised()
    {
        QCOMPARE(HistoryCsv::line({ "=HYPERLINK(\"http://x\")", "+1+2", "-cmd", "@SUM(A1)", "\tTAB",
                     "-90.50", "+3", "2.8", "-1e3", "517", "" }),
            QByteArray(
                "\"'=HYPERLINK(\"\"http://x\"\")\",'+1+2,'-cmd,'@SUM(A1),'\tTAB,-90.50,+3,2.8,"
                "-1e3,517,\r\n"));
        const QString path = m_dir.filePath(QStringLiteral("formula.sqlite"));
        QVERIFY(writeRecords(path, passedRunEvents(runReporting("=1+2"))));
        const QString csv = m_dir.filePath(QStringLiteral("formula.csv"));
        QString said;
        QTextStream out(&said);
        QCOMPARE(RecordsCommand::exportCsv(path, csv, out, out), 0);
        const QList<HistoryCsv::Record> records = HistoryCsv::parse(fileContents(csv));
        const qsizetype serial = HistoryCsv::columns().indexOf(QStringLiteral("Sensor serial"));
        QCOMPARE(records.at(1).fields.at(serial), QStringLiteral("'=1+2"));
    }

private:
    QTemporaryDir m_dir;
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], writeUntilKilled) == 0)
        return writeEventsUntilKilled(QString::fromLocal8Bit(argv[2]));
    if (argc == 3 && qstrcmp(argv[1], recordOneEvent) == 0)
        return recordOne(QString::fromLocal8Bit(argv[2]));
    RecordsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_records.moc"
