#include "filesizelimit.h"
#include "report.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace {
const QDate fixtureDate(2012, 12, 4);

// The fields as the dialog shows them after the sample run of our fixtures.
ReportFields sampleFields()
{
    ReportFields fields;
    fields.fixtureModel = "KR-5M-LD-CV-LNK";
    fields.fixtureSerial = "1047";
    fields.fixtureVersion = "1.2";
    fields.fixtureCalDate = "01/10/12";
    fields.sensorModel = "KR-5M-LD";
    fields.sensorSerial = "517";
    fields.sensorFirmware = "0.87";
    fields.sensorCalDate = "06/14/12";
    fields.oldMc = "0.99812";
    fields.oldBc = "0.41";
    fields.newMc = "1.012345";
    fields.newBc = "-0.52317";
    fields.steps = { "2.9", "118", "603", "1004", "1698" };
    return fields;
}

QByteArray validationReport(const ReportFields &fields)
{
    return reportText(fields, false, true, fixtureDate);
}

QList<QByteArray> reportLines(const QByteArray &report)
{
    QList<QByteArray> lines = report.split('\n');
    lines.removeLast();
    return lines;
}

QByteArray lineStartingWith(const QByteArray &report, const QByteArray &start)
{
    for (const QByteArray &line : reportLines(report))
        if (line.startsWith(start))
            return line;
    return {};
}

QByteArray fileContents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(contents), contents.size());
}
}

class TestReport : public QObject
{
    Q_OBJECT

private slots:
    void reportMatchesSample_data()
    {
        QTest::addColumn<bool>("calibrate");
        QTest::addColumn<QString>("sample");
        QTest::newRow("validation") << false << "validation_report.txt";
        QTest::newRow("calibration") << true << "calibration_report.txt";
    }

    void reportMatchesSample()
    {
        QFETCH(bool, calibrate);
        QFETCH(QString, sample);
        const QByteArray expected = fileContents(QStringLiteral(CVU_TEST_DATA "/") + sample);
        QCOMPARE(reportText(sampleFields(), calibrate, !calibrate, fixtureDate), expected);
    }

    // The dialog keeps exactly one switch checked, but each switch decides its own block.
    void modeSwitchesChooseTheBlocks_data()
    {
        QTest::addColumn<bool>("calibrate");
        QTest::addColumn<bool>("validate");
        QTest::addColumn<QByteArray>("sensorHeading");
        QTest::addColumn<QByteArray>("dateLine");
        QTest::addColumn<QList<QByteArray>>("constantHeadings");
        QTest::newRow("neither checked")
            << false << false << QByteArray("Instrument Validated:")
            << QByteArray("Instrument was Validated on: 04-Dec-2012\r\r")
            << QList<QByteArray> { "Previous Constants\r" };
        QTest::newRow("both checked")
            << true << true << QByteArray("Instrument Calibrated:")
            << QByteArray("Calibration Date: 04-Dec-2012\r\r")
            << QList<QByteArray> { "Current Constants\r", "New Constants\r" };
    }

    void modeSwitchesChooseTheBlocks()
    {
        QFETCH(bool, calibrate);
        QFETCH(bool, validate);
        QFETCH(QByteArray, sensorHeading);
        QFETCH(QByteArray, dateLine);
        QFETCH(QList<QByteArray>, constantHeadings);
        const QList<QByteArray> lines
            = reportLines(reportText(sampleFields(), calibrate, validate, fixtureDate));
        QVERIFY(lines.contains(sensorHeading + '\r'));
        QVERIFY(lines.contains(dateLine));
        QList<QByteArray> headings;
        for (const QByteArray &line : lines)
            if (line.endsWith("Constants\r"))
                headings.append(line);
        QCOMPARE(headings, constantHeadings);
    }

    void stepVerdictFollowsItsBounds_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("reading");
        QTest::addColumn<QByteArray>("verdict");
        const QList<std::tuple<int, const char *, const char *>> edges = { { 1, "0.1", "0.09" },
            { 1, "5.5", "5.51" }, { 2, "101", "100.9" }, { 2, "139", "139.1" },
            { 3, "555", "554.9" }, { 3, "645", "645.1" }, { 4, "942", "941.9" },
            { 4, "1058", "1058.1" }, { 5, "1623", "1622.9" }, { 5, "1777", "1777.5" } };
        for (const auto &[step, inside, outside] : edges) {
            QTest::addRow("step %d at %s", step, inside) << step << inside << QByteArray("PASS");
            QTest::addRow("step %d at %s", step, outside) << step << outside << QByteArray("FAIL");
        }
        QTest::newRow("padded reading") << 1 << " 2.9\t" << QByteArray("PASS");
        QTest::newRow("not a number") << 3 << "6OO" << QByteArray("FAIL");
        QTest::newRow("empty") << 4 << "" << QByteArray("FAIL");
    }

    void stepVerdictFollowsItsBounds()
    {
        QFETCH(int, step);
        QFETCH(QString, reading);
        QFETCH(QByteArray, verdict);
        ReportFields fields = sampleFields();
        fields.steps[static_cast<size_t>(step - 1)] = reading;
        const QByteArray report = validationReport(fields);
        const QByteArray stepLabel = "Step " + QByteArray::number(step) + ": ";
        const QByteArray line = lineStartingWith(report, stepLabel);
        QVERIFY(line.startsWith(stepLabel + reading.trimmed().toLatin1() + " pS/m     "));
        QVERIFY(line.endsWith(" " + verdict + '\r'));
        QCOMPARE(report.count("PASS"), qsizetype(verdict == "PASS" ? 5 : 4));
    }

    void fieldsAreTrimmedAndEmptyFieldsKeepTheirLabel()
    {
        ReportFields fields = sampleFields();
        fields.fixtureSerial = "  1047 \t";
        fields.sensorModel = " KR-5M-LD ";
        fields.oldMc = " 0.99812";
        fields.sensorSerial.clear();
        fields.sensorFirmware = "   ";
        const QByteArray report = validationReport(fields);
        QVERIFY(report.contains("\r\nSerial Number: 1047\r\n"));
        QVERIFY(report.contains("\r\nKR-5M-LD\r\nSerial Number: \r\nFirmware Version: \r\n"));
        QVERIFY(report.contains("\r\nMC =  0.99812\r\n"));
    }

    void writingReplacesAnExistingFileEntirely()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("report.txt");
        writeFile(path, QByteArray(4096, 'x'));
        const QByteArray report = validationReport(sampleFields());
        QString error;
        QVERIFY(writeReportFile(path, report, &error));
        QCOMPARE(fileContents(path), report);
    }

    void writingUnderARegularFileFails()
    {
        QTemporaryDir dir;
        const QString notAFolder = dir.filePath("plain.txt");
        writeFile(notAFolder, "plain");
        QString error;
        QVERIFY(!writeReportFile(notAFolder + "/report.txt", "report", &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(fileContents(notAFolder), QByteArray("plain"));
    }

    // A file size limit makes the writing itself fail half-way, as a full disk would.
    void failedWriteKeepsTheOldReport()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("report.txt");
        writeFile(path, "old report");
        QString error;
        bool written = true;
        {
            const FileSizeLimit limit(16);
            written = writeReportFile(path, validationReport(sampleFields()), &error);
        }
        QVERIFY(!written);
        QVERIFY(!error.isEmpty());
        QCOMPARE(fileContents(path), QByteArray("old report"));
    }

    // A shared folder where the account may write the old report but not create files: the
    // report is replaced in place, and a write that fails there is still told.
    void reportIsReplacedInPlaceWhereNoFileCanBeCreated()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("report.txt");
        writeFile(path, "old report");
        const auto everyone = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        const auto traverse = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
        const auto write = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
        QVERIFY(QFile::setPermissions(path, everyone | write));
        QVERIFY(QFile::setPermissions(dir.path(), everyone | traverse));
        const auto unlock = qScopeGuard(
            [&] { QFile::setPermissions(dir.path(), everyone | traverse | QFile::WriteOwner); });
        const QByteArray report = validationReport(sampleFields());

        // Root ignores permission bits, so the account that writes is an unprivileged one.
        const pid_t child = fork();
        if (child == 0) {
            constexpr uid_t nobody = 65534;
            if (geteuid() == 0 && (setgid(nobody) != 0 || setuid(nobody) != 0))
                _exit(2);
            QString error;
            bool fullDiskTold = false;
            {
                const FileSizeLimit limit(16);
                fullDiskTold = !writeReportFile(path, report, &error) && !error.isEmpty();
            }
            _exit(fullDiskTold && writeReportFile(path, report, &error) ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QCOMPARE(fileContents(path), report);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList("report.txt"));
    }
};

int main(int argc, char *argv[])
{
    // The month is named in the system language; our samples are written in English.
    qputenv("LC_ALL", "C");
    QCoreApplication app(argc, argv);
    TestReport test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_report.moc"
