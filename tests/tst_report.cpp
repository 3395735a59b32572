#include "filesizelimit.h"
#include "report.h"
#include "reportprinter.h"
#include "testfiles.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace {
const QDate fixtureDate(2012, 12, 4);

// The run as the dialog's fields show it after the sample run of our fixtures.
RunRecord sampleRun()
{
    const auto shown = [](const char *text) { return Reported { {}, QString::fromLatin1(text) }; };
    RunRecord run;
    run.fixture = { shown("KR-5M-LD-CV-LNK"), shown("1047"), shown("1.2"), shown("01/10/12") };
    run.sensor = { shown("KR-5M-LD"), shown("517"), shown("0.87"), shown("06/14/12") };
    run.slope = shown("0.99812");
    run.offset = shown("0.41");
    run.calibration.emplace();
    run.calibration->slopeText = "1.012345";
    run.calibration->offsetText = "-0.52317";
    run.validation.emplace();
    const QStringList readings { "2.9", "118", "603", "1004", "1698" };
    for (int step = 1; step <= validationStepCount; ++step)
        run.validation->steps[static_cast<size_t>(step - 1)]
            = StepReading { {}, readings.at(step - 1), true };
    return run;
}

QByteArray validationReport(const RunRecord &shown)
{
    return reportText(shown, false, true, fixtureDate);
}

QByteArray lineStartingWith(const QByteArray &report, const QByteArray &start)
{
    for (const QByteArray &line : report.split('\n'))
        if (line.startsWith(start))
            return line;
    return {};
}

bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

struct Word
{
    QString text;
    QRectF box;
};
using Page = QList<Word>;

// pdftotext -bbox gives each word's box in points from the top left of the paper; the test
// speaks in the printer's device units from the top left of the printable area.
QList<Page> pagesOf(const QString &pdfPath, const QPrinter &printer)
{
    const std::optional<QString> boxes = pdfText(pdfPath, { "-bbox" });
    if (!boxes)
        return {};
    const double unitsPerPoint = printer.resolution() / 72.0;
    const QPointF printableOrigin = printer.pageRect(QPrinter::DevicePixel).topLeft();
    static const QRegularExpression tag(
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)<)re");
    QList<Page> pages;
    for (const auto &match : tag.globalMatch(*boxes)) {
        if (match.captured(0).startsWith("<page")) {
            pages.append(Page());
            continue;
        }
        const QPointF topLeft(match.captured(1).toDouble(), match.captured(2).toDouble());
        const QPointF bottomRight(match.captured(3).toDouble(), match.captured(4).toDouble());
        pages.last().append({ match.captured(5),
            QRectF(topLeft * unitsPerPoint - printableOrigin,
                bottomRight * unitsPerPoint - printableOrigin) });
    }
    return pages;
}

QList<Page> printed(const QByteArray &fileBytes)
{
    QTemporaryDir dir;
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("printout.pdf"));
    QPainter painter(&printer);
    drawPrintout(painter, printer, printableLines(fileBytes));
    painter.end();
    return pagesOf(printer.outputFileName(), printer);
}

QByteArray numberedLines(int count)
{
    QByteArray bytes;
    for (int k = 1; k <= count; ++k)
        bytes += "line" + QByteArray::number(k) + "\r\n";
    return bytes;
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
        QCOMPARE(reportText(sampleRun(), calibrate, !calibrate, fixtureDate), expected);
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
        RunRecord shown = sampleRun();
        shown.validation->steps[static_cast<size_t>(step - 1)]->text = reading;
        const QByteArray report = validationReport(shown);
        const QByteArray stepLabel = "Step " + QByteArray::number(step) + ": ";
        const QByteArray line = lineStartingWith(report, stepLabel);
        QVERIFY(line.startsWith(stepLabel + reading.trimmed().toLatin1() + " pS/m     "));
        QVERIFY(line.endsWith(" " + verdict + '\r'));
        QCOMPARE(report.count("PASS"), qsizetype(verdict == "PASS" ? 5 : 4));
    }

    // The report copies the fields; a field the technician typed over differs from the run the
    // devices reported, and the run can tell which, while blanks the report trims are no edit.
    void editedFieldsAreTheOnesTheReportChanged()
    {
        const RunRecord recorded = sampleRun();
        RunRecord shown = recorded;
        QVERIFY(editedFields(recorded, shown).isEmpty());
        shown.sensor.serial.text = " 517\r\n";
        QVERIFY(editedFields(recorded, shown).isEmpty());
        shown.sensor.serial.text = "5170";
        shown.validation->steps[2]->text = "600";
        shown.calibration->offsetText.clear();
        const QList<EditedField> edited = editedFields(recorded, shown);
        QCOMPARE(edited.size(), 3);
        QCOMPARE(QLatin1String(edited[0].name), QLatin1String("Sensor serial"));
        QCOMPARE(edited[0].recorded, QStringLiteral("517"));
        QCOMPARE(edited[0].shown, QStringLiteral("5170"));
        QCOMPARE(QLatin1String(edited[1].name), QLatin1String("New BC"));
        QCOMPARE(QLatin1String(edited[2].name), QLatin1String("Step 3"));
        QCOMPARE(edited[2].recorded, QStringLiteral("603"));
    }

    // A report replaces the file whole, or leaves it as it was: a file size limit makes the
    // writing fail half-way, as a full disk would.
    void reportFileIsReplacedWholeOrNotAtAll()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("report.txt");
        QVERIFY(writeFile(path, QByteArray(4096, 'x')));
        const QByteArray report = validationReport(sampleRun());
        QString error;
        QVERIFY(writeReportFile(path, report, &error));
        QCOMPARE(fileContents(path), report);

        QVERIFY(!withFileSizeLimit(16,
            [&] { return writeReportFile(path, "new report, longer than the limit", &error); }));
        QVERIFY(!error.isEmpty());
        QCOMPARE(fileContents(path), report);

        error.clear();
        QVERIFY(!writeReportFile(path + "/report.txt", "report", &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(fileContents(path), report);
    }

    // A shared folder where the account may write the old report but not create files: the
    // report is replaced in place, and a write that fails there is still told.
    void reportIsReplacedInPlaceWhereNoFileCanBeCreated()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("report.txt");
        QVERIFY(writeFile(path, "old report"));
        const auto everyone = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        const auto traverse = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
        const auto write = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
        QVERIFY(QFile::setPermissions(path, everyone | write));
        QVERIFY(QFile::setPermissions(dir.path(), everyone | traverse));
        const auto unlock = qScopeGuard(
            [&] { QFile::setPermissions(dir.path(), everyone | traverse | QFile::WriteOwner); });
        const QByteArray report = validationReport(sampleRun());

        // Root ignores permission bits, so the account that writes is an unprivileged one.
        const pid_t child = fork();
        if (child == 0) {
            constexpr uid_t nobody = 65534;
            if (geteuid() == 0 && (setgid(nobody) != 0 || setuid(nobody) != 0))
                _exit(2);
            QString error;
            const bool fullDiskTold = !withFileSizeLimit(16, [&] {
                return writeReportFile(path, report, &error);
            }) && !error.isEmpty();
            _exit(fullDiskTold && writeReportFile(path, report, &error) ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QCOMPARE(fileContents(path), report);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList("report.txt"));
    }
    void fileIsSplitIntoPrintableLines_data()
    {
        QTest::addColumn<QByteArray>("fileBytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("LF") << QByteArray("one\ntwo\n") << QStringList { "one\n", "two\n" };
        QTest::newRow("CR LF") << QByteArray("one\r\ntwo\r\n")
                               << QStringList { "one\r\n", "two\r\n" };
        QTest::newRow("last line without LF")
            << QByteArray("one\ntwo") << QStringList { "one\n", "two" };
        QTest::newRow("empty lines") << QByteArray("\n\n") << QStringList { "\n", "\n" };
        QTest::newRow("empty file") << QByteArray() << QStringList();
        QTest::newRow("NUL cuts its line")
            << QByteArray("ke\0pt\r\nnext\n", 12) << QStringList { "ke", "next\n" };
        QTest::newRow("Latin-1") << QByteArray("caf\xe9\r\n")
                                 << QStringList { QString("caf") + QChar(0xe9) + "\r\n" };
    }

    void fileIsSplitIntoPrintableLines()
    {
        QFETCH(QByteArray, fileBytes);
        QFETCH(QStringList, lines);
        QCOMPARE(printableLines(fileBytes), lines);
    }

    void linesStandAtTheirPitchWithoutOverlap()
    {
        const int lineCount = 30;
        const QList<Page> pages = printed(numberedLines(lineCount));
        QCOMPARE(pages.size(), 1);
        const Page &words = pages.first();
        QCOMPARE(words.size(), lineCount);
        for (int k = 1; k <= lineCount; ++k) {
            const QRectF box = words[k - 1].box;
            QCOMPARE(words[k - 1].text, QString("line%1").arg(k));
            QVERIFY2(qAbs(box.left() - 100) < 1, qPrintable(QString::number(box.left())));
            QVERIFY2(qAbs(box.top() - 10 * k) < 1.5, qPrintable(QString::number(box.top())));
            if (k < lineCount) {
                const QRectF next = words[k].box;
                QVERIFY2(qAbs(next.top() - box.top() - 10) < 0.1, qPrintable(words[k].text));
                QVERIFY2(box.bottom() <= next.top(), qPrintable(words[k].text));
            }
        }
    }

    void nulCutsTheLineAndWideLinesStayWhole()
    {
        const QByteArray wide = QByteArray("conductivity ").repeated(12) + "\n";
        const QList<Page> pages = printed(QByteArray("kept\0dropped\n", 13) + wide);
        QCOMPARE(pages.size(), 1);
        const Page &words = pages.first();
        QCOMPARE(words.first().text, QString("kept"));
        QCOMPARE(words.size(), 1 + 12);
        QVERIFY(words.last().box.right() > 100 + 500);
        for (const Word &word : words.mid(1))
            QCOMPARE(word.box.top(), words[1].box.top());
    }

    void longFileContinuesOnTheNextPage()
    {
        const int lineCount = 150;
        const QList<Page> pages = printed(numberedLines(lineCount));
        QCOMPARE(pages.size(), 2);
        QCOMPARE(pages[0].size() + pages[1].size(), lineCount);
        const Word &firstOnPageTwo = pages[1].first();
        QCOMPARE(firstOnPageTwo.text, QString("line%1").arg(pages[0].size() + 1));
        QVERIFY2(qAbs(firstOnPageTwo.box.top() - 10) < 1.5,
            qPrintable(QString::number(firstOnPageTwo.box.top())));
        QCOMPARE(pages[1].last().text, QString("line%1").arg(lineCount));
    }
};

int main(int argc, char *argv[])
{
    // The month is named in the system language; our samples are written in English.
    qputenv("LC_ALL", "C");
    QGuiApplication app(argc, argv);
    TestReport test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_report.moc"
