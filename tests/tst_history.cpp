#include "filesizelimit.h"
#include "history.h"
#include "testfiles.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QDateTime eventTime(QDate(2026, 12, 6), QTime(14, 3, 9));
const QByteArray byteOrderMark = QByteArrayLiteral("\xEF\xBB\xBF");
const QStringList header = { "Date", "Time", "Fixture model", "Fixture serial", "Fixture version",
    "Sensor serial", "Sensor firmware", "Event", "Step 1", "Step 2", "Step 3", "Step 4", "Step 5",
    "Low average", "High average", "Old MC", "Old BC", "New MC", "New BC", "Report file" };

// A run as the devices reported it: values cut from replies still end in CR LF.
RunRecord sampleRun(const QString &sensorSerial = QStringLiteral("517\r\n"))
{
    const auto reported = [](const QString &text) { return Reported { {}, text }; };
    RunRecord run;
    run.fixture = { reported("KR-5M-LD-CV-LNK"), reported("1047\r\n"), reported(" 1.2\r\n"), {} };
    run.sensor = { reported("KR-5M-LD"), reported(sensorSerial), reported("0.87\r\n"), {} };
    run.slope = reported("0.99812\r\n");
    run.offset = reported("0.41\r\n");
    run.validation.emplace();
    const QStringList readings { "2.9", "118 ", "603", "1004", "1698" };
    for (int step = 1; step <= validationStepCount; ++step)
        run.validation->steps[static_cast<size_t>(step - 1)]
            = StepReading { {}, readings.at(step - 1), true };
    run.calibration.emplace();
    run.calibration->lowAverage = 102;
    run.calibration->highAverage = 1100;
    run.calibration->slopeText = "1.745200";
    run.calibration->offsetText = "-171.72000";
    return run;
}

const QString reportPath = "/home/tech/Documents/KR-5M-LD_517_2026-12-06_calibration.txt";

// Reads the file as a spreadsheet does: quoted fields may hold commas, doubled quotes and line
// breaks; any line break outside quotes ends a record, so a field left unquoted splits it.
QList<QStringList> csvRecords(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.read(3) != byteOrderMark)
        return {};
    const QString text = QString::fromUtf8(file.readAll());
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted && c == u'"' && text.mid(i + 1, 1) == u"\"") {
            field += c;
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (!quoted && c == u',') {
            record << field;
            field.clear();
        } else if (!quoted && (c == u'\r' || c == u'\n')) {
            records << (record << field);
            record.clear();
            field.clear();
            i += text.mid(i, 2) == u"\r\n";
        } else {
            field += c;
        }
    }
    return records;
}

// The sentence the log reports for what the given appending hands over, once it has been tried.
template <typename Appending> QString failureOf(HistoryLog &log, Appending appending)
{
    QString error;
    QObject::connect(
        &log, &HistoryLog::writeFailed, &log, [&](const QString &text) { error = text; });
    appending();
    // The report reaches the log's thread a moment after the line was tried.
    if (log.waitUntilWritten(historyCloseWait))
        QCoreApplication::processEvents();
    return error;
}

}

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void eachEventFillsItsOwnColumns_data()
    {
        QTest::addColumn<HistoryEvent>("event");
        QTest::addColumn<QStringList>("eventAndDetails");
        const QStringList none(12);
        const QString report = "/home/tech/Documents/KR-5M-LD_517_2026-12-06_calibration.txt";
        const QStringList steps = { "2.9", "118", "603", "1004", "1698" };
        QTest::newRow("identified") << HistoryEvent::Identified << QStringList("Identified") + none;
        QTest::newRow("passed") << HistoryEvent::ValidationPassed
                                << QStringList("Validation passed") + steps + QStringList(7);
        QTest::newRow("failed") << HistoryEvent::ValidationFailed
                                << QStringList("Validation failed") + steps + QStringList(7);
        QTest::newRow("computed") << HistoryEvent::CalibrationComputed
                                  << QStringList { "Calibration computed", "", "", "", "", "",
                                         "102", "1100", "", "", "1.745200", "-171.72000", "" };
        QTest::newRow("calibration failed")
            << HistoryEvent::CalibrationFailed
            << QStringList("Calibration failed: unreadable sample") + none;
        QTest::newRow("sent") << HistoryEvent::ConstantsSent
                              << QStringList { "Constants sent", "", "", "", "", "", "", "",
                                     "0.99812", "0.41", "1.745200", "-171.72000", "" };
        QTest::newRow("confirmed")
            << HistoryEvent::SaveConfirmed << QStringList("Save confirmed") + none;
        QTest::newRow("not confirmed")
            << HistoryEvent::SaveNotConfirmed << QStringList("Save not confirmed") + none;
        QTest::newRow("report") << HistoryEvent::ReportWritten
                                << (QStringList("Report written") + QStringList(11) << report);
    }

    void eachEventFillsItsOwnColumns()
    {
        QFETCH(HistoryEvent, event);
        QFETCH(QStringList, eventAndDetails);
        QTemporaryDir dir;
        const QString path = dir.filePath("new folder/history.csv");
        HistoryLog(path).append(sampleRun(), event, reportPath, eventTime);
        const QStringList identity
            = { "2026-12-06", "14:03:09", "KR-5M-LD-CV-LNK", "1047", "1.2", "517", "0.87" };
        QCOMPARE(csvRecords(path), (QList<QStringList> { header, identity + eventAndDetails }));
        QCOMPARE(fileContents(path).count("\r\n"), 2);
    }

    // Serial numbers are editable, so any text may reach the file; each must come back whole.
    // Each log is closed right after its lines are handed over: they must be on disk by then,
    // in order, before the next log writes.
    void historySurvivesManyRunsAsValidCsv()
    {
        const QStringList serials
            = { "517", "51,7", "5\"1\"7", "\"5,17\"", "51\r\n7", "51\n7", "51\r7" };
        QTemporaryDir dir;
        const QString path = dir.filePath("history.csv");
        const int runs = 3 * serials.size();
        for (int run = 0; run < runs; ++run) {
            HistoryLog log(path);
            const RunRecord identified = sampleRun(serials[run % serials.size()]);
            log.append(identified, HistoryEvent::Identified, {}, eventTime);
            log.append(identified, HistoryEvent::ValidationFailed, {}, eventTime);
        }
        const QList<QStringList> records = csvRecords(path);
        QCOMPARE(records.size(), 1 + 2 * runs);
        QCOMPARE(records.first(), header);
        QCOMPARE(fileContents(path).count(byteOrderMark), 1);
        for (int line = 1; line < records.size(); ++line) {
            QCOMPARE(records[line].size(), header.size());
            QCOMPARE(records[line][5], serials[(line - 1) / 2 % serials.size()]);
            QCOMPARE(records[line][7], line % 2 ? "Identified" : "Validation failed");
        }
    }

    // Tests run as root, which no permission stops; a regular file in the path stops everyone.
    void unwritableFolderFailsWithReason()
    {
        QTemporaryDir dir;
        const QString blocker = dir.filePath("blocker");
        QFile(blocker).open(QIODevice::WriteOnly);
        const QString path = blocker + "/history.csv";
        HistoryLog log(path);
        const QString error = failureOf(
            log, [&] { log.append(sampleRun(), HistoryEvent::Identified, {}, eventTime); });
        const QString start = "Cannot write the calibration history " + path + ": ";
        QVERIFY2(error.startsWith(start) && error.size() > start.size(), qPrintable(error));
        QCOMPARE(fileContents(blocker), QByteArray());
    }

    void lineThatDoesNotFitIsTakenBack()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("history.csv");
        HistoryLog log(path);
        log.append(sampleRun(), HistoryEvent::Identified, {}, eventTime);
        QVERIFY(log.waitUntilWritten(historyCloseWait));
        const QByteArray before = fileContents(path);

        const QString error = withFileSizeLimit(before.size() + 20, [&] {
            return failureOf(
                log, [&] { log.append(sampleRun(), HistoryEvent::ConstantsSent, {}, eventTime); });
        });

        QVERIFY(!error.isEmpty());
        QCOMPARE(fileContents(path), before);
        log.append(sampleRun(), HistoryEvent::SaveConfirmed, {}, eventTime);
        QVERIFY(log.waitUntilWritten(historyCloseWait));
        QCOMPARE(csvRecords(path).size(), 3);
        QCOMPARE(csvRecords(path).last()[7], "Save confirmed");
    }

    // main names the application once it has started; a path kept from earlier would lead into
    // another folder.
    void defaultPathFollowsApplicationName()
    {
        QCoreApplication::setOrganizationName("Varnell");
        QCoreApplication::setApplicationName("First");
        const QString first = HistoryLog::defaultFilePath();
        QCoreApplication::setApplicationName("Second");
        const QString second = HistoryLog::defaultFilePath();
        QVERIFY2(first.endsWith("/Varnell/First/calibration-history.csv"), qPrintable(first));
        QVERIFY2(second.endsWith("/Varnell/Second/calibration-history.csv"), qPrintable(second));
    }

    void suggestedReportName_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<bool>("calibration");
        QTest::addColumn<QString>("name");
        QTest::newRow("calibration") << "517" << true << "KR-5M-LD_517_2026-12-06_calibration.txt";
        QTest::newRow("validation, reply line end")
            << " 517\r\n"
            << false << "KR-5M-LD_517_2026-12-06_validation.txt";
        QTest::newRow("kept characters")
            << "aZ09-_.x" << true << "KR-5M-LD_aZ09-_.x_2026-12-06_calibration.txt";
        QTest::newRow("path and reserved")
            << "../a\\b:c*?\"<>| d,ü" << false
            << "KR-5M-LD_.._a_b_c_______d___2026-12-06_validation.txt";
        QTest::newRow("blank") << " \r\n" << false << "KR-5M-LD_unknown_2026-12-06_validation.txt";
    }

    void suggestedReportName()
    {
        QFETCH(QString, serial);
        QFETCH(bool, calibration);
        QFETCH(QString, name);
        QCOMPARE(::suggestedReportName(serial, QDate(2026, 12, 6), calibration), name);
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
