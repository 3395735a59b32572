#include "appsetup.h"
#include "boxanswerer.h"
#include "certificate.h"
#include "chartscale.h"
#include "commands.h"
#include "elidedlabel.h"
#include "filesizelimit.h"
#include "fixturesession.h"
#include "historycsv.h"
#include "recordsprogram.h"
#include "recordsreading.h"
#include "registercsv.h"
#include "registermodels.h"
#include "registerwindow.h"
#include "samplerun.h"
#include "savefile.h"
#include "sensorcharts.h"
#include "smallfilesystem.h"
#include "storedrecords.h"
#include "tabledialog.h"
#include "tamperer.h"
#include "testfiles.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

Q_DECLARE_METATYPE(SensorSummary)

namespace {
const QDate today(2026, 12, 7);
constexpr int tabPressesAtMost = 60;

// Sees every window as it is shown, however briefly: a progress window may be gone before a
// queued answer could look at it.
class ShowWatcher : public QObject
{
public:
    explicit ShowWatcher(std::function<void(QWidget *)> seen)
        : m_seen(std::move(seen))
    {
        qApp->installEventFilter(this);
    }
    ~ShowWatcher() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType())
            m_seen(static_cast<QWidget *>(watched));
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(QWidget *)> m_seen;
};

SensorSummary sensorLastPassed(int daysAgo, RunResult lastResult = RunResult::Passed)
{
    SensorSummary sensor;
    sensor.lastResult = lastResult;
    if (daysAgo >= 0)
        sensor.lastPassed = QDateTime(today.addDays(-daysAgo), QTime(9, 0));
    return sensor;
}

QString fixtureDateMonthsAgo(int months)
{
    return today.addMonths(-months).toString(QStringLiteral("MM/dd/yy"));
}

// The widgets a keyboard user tabs to: shown, enabled, taking focus by Tab, and not the parts of
// a composite control (a date edit's text field, a combo box's list, a table's cells).
QList<QWidget *> controlsOf(QWidget *window)
{
    QList<QWidget *> controls;
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        if (!widget->isVisibleTo(window) || !widget->isEnabled()
            || !(widget->focusPolicy() & Qt::TabFocus) || widget->focusProxy())
            continue;
        bool part = false;
        for (QWidget *above = widget->parentWidget(); above != window;
             above = above->parentWidget())
            part = part || qobject_cast<QAbstractSpinBox *>(above)
                || qobject_cast<QComboBox *>(above) || qobject_cast<QAbstractScrollArea *>(above);
        if (!part)
            controls.append(widget);
    }
    return controls;
}

QWidget *controlOf(QWidget *focused, const QList<QWidget *> &controls)
{
    for (QWidget *widget = focused; widget; widget = widget->parentWidget()) {
        if (controls.contains(widget))
            return widget;
    }
    return focused;
}

// Read as a page is: a control wholly above another first, else the one on the left.
bool readsBefore(const QWidget *a, const QWidget *b)
{
    const QRect first(a->mapToGlobal(QPoint()), a->size());
    const QRect second(b->mapToGlobal(QPoint()), b->size());
    if (first.bottom() < second.top() || second.bottom() < first.top())
        return first.top() < second.top();
    return first.left() < second.left();
}

QString accessibleName(QWidget *widget)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name).trimmed() : QString();
}

// The controls a screen reader could say nothing of.
QStringList unnamedControls(QWidget *window)
{
    QStringList unnamed;
    for (QWidget *control : controlsOf(window)) {
        if (accessibleName(control).isEmpty())
            unnamed.append(control->objectName() + " " + control->metaObject()->className());
    }
    return unnamed;
}

QStringList names(const QList<QWidget *> &widgets)
{
    QStringList named;
    for (const QWidget *widget : widgets)
        named.append(widget->objectName().isEmpty() ? widget->metaObject()->className()
                                                    : widget->objectName());
    return named;
}

const SensorSummary *sensorOf(const QList<SensorSummary> &sensors, const QByteArray &serial)
{
    for (const SensorSummary &sensor : sensors) {
        if (sensor.serial == serial)
            return &sensor;
    }
    return nullptr;
}

QString normalized(const QString &pdfText)
{
    // The PDF's font joins "fi" into one ligature.
    return pdfText.normalized(QString::NormalizationForm_KC).simplified();
}
}

// The calibration register: due dates and statuses, and the views, the certificate and the
// exports on records that real runs against the simulator filled.
class RegisterTest : public QObject
{
    Q_OBJECT

private slots:
    void dueDateAndStatus_data()
    {
        QTest::addColumn<SensorSummary>("sensor");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QDate>("due");
        const QDate year = today.addMonths(12);
        QTest::newRow("passed lately") << sensorLastPassed(100) << "OK" << year.addDays(-100);
        QTest::newRow("due in 31 days") << sensorLastPassed(today.addMonths(-12).daysTo(today) - 31)
                                        << "OK" << today.addDays(31);
        QTest::newRow("due in 30 days") << sensorLastPassed(today.addMonths(-12).daysTo(today) - 30)
                                        << "Due in 30 days" << today.addDays(30);
        QTest::newRow("due tomorrow") << sensorLastPassed(today.addMonths(-12).daysTo(today) - 1)
                                      << "Due in 1 day" << today.addDays(1);
        QTest::newRow("due yesterday") << sensorLastPassed(today.addMonths(-12).daysTo(today) + 1)
                                       << "Overdue" << today.addDays(-1);
        QTest::newRow("never passed") << sensorLastPassed(-1) << "Overdue" << QDate();
        QTest::newRow("last run failed, in date")
            << sensorLastPassed(10, RunResult::Failed) << "Last run failed" << year.addDays(-10);
        QTest::newRow("last run failed, due in 30 days")
            << sensorLastPassed(today.addMonths(-12).daysTo(today) - 30, RunResult::Failed)
            << "Due in 30 days · last run failed" << today.addDays(30);
        QTest::newRow("last run failed, overdue")
            << sensorLastPassed(today.addMonths(-12).daysTo(today) + 1, RunResult::Failed)
            << "Overdue · last run failed" << today.addDays(-1);
        QTest::newRow("last run failed, never passed")
            << sensorLastPassed(-1, RunResult::Failed) << "Overdue · last run failed" << QDate();
    }

    // Statuses stand together: each one that holds is said, counted and filtered on; the
    // colour is the most urgent's.
    void dueDateAndStatus()
    {
        QFETCH(SensorSummary, sensor);
        QFETCH(QString, status);
        QFETCH(QDate, due);
        const DueState state = dueState(sensor, today, RegisterSettings());
        QCOMPARE(statusText(state), status);
        QCOMPARE(state.due.value_or(QDate()), due);
        QCOMPARE(state.statuses().size(), status.count(QStringLiteral(" · ")) + 1);
        QCOMPARE(state.statuses().contains(SensorStatus::LastRunFailed),
            sensor.lastResult == RunResult::Failed);
        QCOMPARE(state.mostUrgent() == SensorStatus::LastRunFailed,
            sensor.lastResult == RunResult::Failed);
    }

    void chartAxesStandAtRoundValuesAndDates()
    {
        QStringList labels;
        for (const Tick &tick : numberTicks(0, 10, 6))
            labels.append(tick.label);
        QCOMPARE(labels, (QStringList { "0", "2", "4", "6", "8", "10" }));
        labels.clear();
        for (const Tick &tick : numberTicks(0.921, 0.968, 6))
            labels.append(tick.label);
        QCOMPARE(labels, (QStringList { "0.93", "0.94", "0.95", "0.96" }));
        labels.clear();
        const qint64 from = QDateTime(QDate(2023, 2, 6), QTime(10, 0)).toMSecsSinceEpoch();
        for (const Tick &tick :
            timeTicks(from, QDateTime(QDate(2026, 12, 7), QTime()).toMSecsSinceEpoch(), 8))
            labels.append(tick.label);
        QCOMPARE(labels, (QStringList { "2024", "2025", "2026" }));
        labels.clear();
        for (const Tick &tick : timeTicks(from, from + 40LL * 24 * 3600 * 1000, 8))
            labels.append(tick.label);
        QCOMPARE(labels,
            (QStringList { "2023-02-13", "2023-02-20", "2023-02-27", "2023-03-06", "2023-03-13" }));
        // Within a day, clock times: a run's forty seconds are labelled too.
        labels.clear();
        for (const Tick &tick : timeTicks(from, from + 40 * 1000, 8))
            labels.append(tick.label);
        QCOMPARE(
            labels, (QStringList { "10:00:00", "10:00:10", "10:00:20", "10:00:30", "10:00:40" }));
        labels.clear();
        for (const Tick &tick : timeTicks(from - 1, from + 5 * 3600 * 1000, 8))
            labels.append(tick.label);
        QCOMPARE(labels, (QStringList { "10:00", "11:00", "12:00", "13:00", "14:00", "15:00" }));
        const AxisRange range { 0, 100 };
        QCOMPARE(toPixel(25, range, 200, 0), 150.0);
    }

    // Four sensors: one healthy whose report is saved with its serial corrected on screen, one
    // drifted that is calibrated, one that fails, one known only from an old history; and a
    // second fixture calibrated three months ago. Every test below reads these records.
    void initTestCase()
    {
        QVERIFY(installPluralForms(*qApp));
        useTestSettings();
        removeRecords();
        const QString history = RecordsDatabase::legacyHistoryPath(RecordsDatabase::defaultPath());
        QDir().mkpath(QFileInfo(history).absolutePath());
        QFile old(history);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(HistoryCsv::line(HistoryCsv::legacyColumns())
            + "2025-01-10,09:00:00,KR-5M-LD-CV-LNK,1047,1.2,999,0.86,Validation "
              "passed,2.9,118,603,1004,1698,,,,,,,\r\n"
            + "2025-01-11,09:00:00,KR-5M-LD-CV-LNK,1047,1.2,998,0.86,Validation "
              "failed,2.9,118,703,1004,1698,,,,,,,\r\n");
        old.close();
        SimulatorOptions healthy;
        healthy.fixtureSerial = "2210";
        healthy.fixtureCalDate = fixtureDateMonthsAgo(3).toLatin1();
        SimulatorOptions drifted;
        drifted.sensorSerial = "600";
        drifted.drifted = true;
        SimulatorOptions failing;
        failing.sensorSerial = "700";
        failing.failStep = 4;
        QVERIFY(runAtTheBench(healthy, false, m_reports.filePath("KR-5M-LD_517_validated.txt")));
        QVERIFY(runAtTheBench(drifted, true));
        QVERIFY(runAtTheBench(failing, false));
        QString error;
        QVERIFY(
            RecordsDatabase::openForReading(RecordsDatabase::defaultPath(), "register", &error));
    }

    void cleanupTestCase() { RecordsDatabase::close("register"); }

    void sensorsRunsAndFixtures()
    {
        QString error;
        const Register records = openRecords();
        const QList<SensorSummary> sensors = records.sensors(&error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(sensors.size(), 5);
        const QDate now = QDate::currentDate();
        // An imported failed validation counts as the failure it was.
        QCOMPARE(sensorOf(sensors, "998")->lastResult, RunResult::Failed);
        QCOMPARE(statusText(dueState(*sensorOf(sensors, "998"), now, RegisterSettings())),
            QStringLiteral("Overdue · last run failed"));
        QCOMPARE(records.runsOf("998", &error).first().asFound->steps[2]->passed, false);
        QCOMPARE(statusText(dueState(*sensorOf(sensors, "517"), now, RegisterSettings())),
            QStringLiteral("OK"));
        QCOMPARE(statusText(dueState(*sensorOf(sensors, "700"), now, RegisterSettings())),
            QStringLiteral("Overdue · last run failed"));
        QCOMPARE(sensorOf(sensors, "600")->lastCalibration->date(), now);
        QVERIFY(sensorOf(sensors, "999")->imported);
        QCOMPARE(sensorOf(sensors, "999")->lastPassed->date(), QDate(2025, 1, 10));

        const QList<RunSummary> runs = records.runsOf("600", &error);
        QCOMPARE(runs.size(), 1);
        const RunSummary &calibrated = runs.first();
        QVERIFY(!calibrated.asFound->passed);
        QVERIFY(calibrated.adjustment->confirmed);
        QCOMPARE(calibrated.adjustment->newSlope, QStringLiteral("0.969556"));
        QVERIFY(calibrated.asLeft->passed);
        QCOMPARE(calibrated.result, RunResult::Passed);
        QVERIFY(calibrated.fixture.outOfInterval);
        QCOMPARE(records.runsOf("517", &error).first().fixture.outOfInterval, false);
        QCOMPARE(records.runsOf("517", &error).first().editedFields, QStringList("Sensor serial"));

        const QList<FixtureSummary> fixtures = records.fixtures(&error);
        QCOMPARE(fixtures.size(), 2);
        QCOMPARE(fixtures.at(0).serial, QByteArray("1047"));
        QCOMPARE(fixtures.at(0).runs, 4);
        QList<QByteArray> checked;
        for (const FixtureRun &run : records.runsWithFixture("1047", now, {}, &error))
            checked.append(run.sensorSerial);
        QCOMPARE(checked, (QList<QByteArray> { "700", "600" }));
    }

    void modelsOfTheViews()
    {
        QString error;
        const QList<SensorSummary> sensors = openRecords().sensors(&error);
        const QList<RunSummary> runs = openRecords().runsOf("600", &error);
        const QList<FixtureSummary> fixtures = openRecords().fixtures(&error);
        const QList<RecalledRun> fixtureRuns
            = openRecords().recall("1047", QDate(2020, 1, 1), {}, &error);
        SensorsModel sensorsModel;
        QAbstractItemModelTester sensorsTester(
            &sensorsModel, QAbstractItemModelTester::FailureReportingMode::QtTest);
        sensorsModel.setSensors(sensors, QDate::currentDate(), RegisterSettings());
        QSortFilterProxyModel view;
        view.setSourceModel(&sensorsModel);
        view.setSortRole(sortRole);
        QAbstractItemModelTester viewTester(
            &view, QAbstractItemModelTester::FailureReportingMode::QtTest);
        view.sort(SensorsModel::Status);
        QCOMPARE(view.index(0, SensorsModel::Status).data().toString(), QStringLiteral("OK"));
        QCOMPARE(view.index(3, SensorsModel::Status).data().toString(),
            QStringLiteral("Overdue · last run failed"));
        QCOMPARE(
            view.index(3, SensorsModel::Status).data(Qt::BackgroundRole).value<QBrush>().color(),
            statusColour(SensorStatus::LastRunFailed));
        QCOMPARE(
            view.index(3, SensorsModel::Status).data(Qt::ForegroundRole).value<QBrush>().color(),
            QColor(Qt::black));
        view.setFilterFixedString("60");
        QCOMPARE(view.rowCount(), 1);
        // 998 and 700 failed and never passed: overdue and failed, each counted in both.
        const QMap<SensorStatus, int> counts = sensorsModel.statusCounts();
        QCOMPARE(counts.value(SensorStatus::Ok), 2);
        QCOMPARE(counts.value(SensorStatus::Overdue), 3);
        QCOMPARE(counts.value(SensorStatus::LastRunFailed), 2);
        SensorsFilter filter;
        filter.setSourceModel(&sensorsModel);
        QAbstractItemModelTester filterTester(
            &filter, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const auto serials = [&] {
            QStringList shown;
            for (int row = 0; row < filter.rowCount(); ++row)
                shown.append(filter.index(row, SensorsModel::Serial).data().toString());
            shown.sort();
            return shown;
        };
        filter.setStatus(SensorStatus::Overdue);
        QCOMPARE(serials(), QStringList({ "700", "998 (imported)", "999 (imported)" }));
        filter.setStatus(SensorStatus::LastRunFailed);
        QCOMPARE(serials(), QStringList({ "700", "998 (imported)" }));
        filter.setFilterFixedString("99");
        QCOMPARE(serials(), QStringList({ "998 (imported)" }));
        filter.setStatus(std::nullopt);
        QCOMPARE(serials(), QStringList({ "998 (imported)", "999 (imported)" }));

        RunsModel runsModel;
        QAbstractItemModelTester runsTester(
            &runsModel, QAbstractItemModelTester::FailureReportingMode::QtTest);
        runsModel.setRuns(runs);
        QCOMPARE(runsModel.index(0, RunsModel::AsFound).data().toString(), QStringLiteral("FAIL"));
        QCOMPARE(runsModel.index(0, RunsModel::AsLeft).data().toString(), QStringLiteral("PASS"));
        QVERIFY2(runsModel.index(0, RunsModel::Adjustment)
                     .data()
                     .toString()
                     .startsWith("MC 0.872600 → 0.969556 (+11.1 %), BC "),
            qPrintable(runsModel.index(0, RunsModel::Adjustment).data().toString()));
        QCOMPARE(runsModel.index(0, RunsModel::Fixture).data().toString(),
            QStringLiteral("1047 (out of its calibration interval)"));

        FixturesModel fixturesModel;
        QAbstractItemModelTester fixturesTester(
            &fixturesModel, QAbstractItemModelTester::FailureReportingMode::QtTest);
        fixturesModel.setFixtures(fixtures, QDate::currentDate(), RegisterSettings());
        FixtureRunsModel fixtureRunsModel;
        QAbstractItemModelTester fixtureRunsTester(
            &fixtureRunsModel, QAbstractItemModelTester::FailureReportingMode::QtTest);
        fixtureRunsModel.setRuns(fixtureRuns);
        QCOMPARE(fixtureRunsModel.sensors(), (QList<QByteArray> { "700", "600", "998", "999" }));
        // The fixture's MM/DD/YY shown as the ISO date it is, its own text beside it; an
        // imported run that names no date says so.
        const QModelIndex fixtureDate = fixturesModel.index(0, FixturesModel::CalibrationDate);
        QCOMPARE(fixtureDate.data().toString(),
            QStringLiteral("2012-01-10 (out of its calibration interval)"));
        QCOMPARE(fixtureDate.data(Qt::ToolTipRole).toString(),
            QStringLiteral("As the device sent it: 01/10/12"));
        QCOMPARE(fixtureDate.data(sortRole).toDate(), QDate(2012, 1, 10));
        QCOMPARE(fixtureRunsModel.index(1, FixtureRunsModel::FixtureCalibration).data().toString(),
            QStringLiteral("2012-01-10 (out of its calibration interval)"));
        QCOMPARE(fixtureRunsModel.index(2, FixtureRunsModel::FixtureCalibration).data().toString(),
            QStringLiteral("unknown"));
        // What a recall notice needs of each run: the calibrated one failed as found, was
        // adjusted and passed as left; the failing one was left failing.
        const auto cell = [&](int row, FixtureRunsModel::Column column) {
            return fixtureRunsModel.index(row, column).data().toString();
        };
        QCOMPARE(cell(1, FixtureRunsModel::AsFound), QStringLiteral("FAIL"));
        QVERIFY(cell(1, FixtureRunsModel::Adjustment).startsWith("MC 0.872600 → 0.969556"));
        QCOMPARE(cell(1, FixtureRunsModel::AsLeft), QStringLiteral("PASS"));
        QCOMPARE(cell(0, FixtureRunsModel::Adjustment), QStringLiteral("—"));
        QCOMPARE(cell(0, FixtureRunsModel::AsLeft), QStringLiteral("FAIL"));
        QCOMPARE(
            deviceDateText(std::nullopt, "13/45/12"), QStringLiteral("\"13/45/12\" (not a date)"));

        // Each step against its bounds, the calibrated run's readings as found and as left.
        const QList<ChartPanel> readings = readingsPanels(runs);
        QCOMPARE(readings.size(), 5);
        QCOMPARE(readings.at(2).band->low, 555.0);
        QCOMPARE(readings.at(2).series.at(1).points.first().value, 600.0);
        QCOMPARE(constantsPanels(runs).at(0).series.at(1).points.first().value, 0.969556);
    }

    // The calibrated run's certificate, drafted from the records alone: its number, what was
    // found, the adjustment with units and the sensor's answer, what was left, the reference.
    void certificateOfTheCalibratedRun()
    {
        QString why;
        const Register records = openRecords();
        const RunSummary run = records.runsOf("600", &why).first();
        const std::optional<Certificate> certificate
            = draftCertificate(run, records.lab(), {}, "qm", &why);
        QVERIFY2(certificate, qPrintable(why));
        QTemporaryDir dir;
        const QString pdf = dir.filePath("certificate.pdf");
        QVERIFY(writeFileWhole(pdf, certificatePdf(*certificate), &why));
        const std::optional<QString> text = pdfText(pdf);
        QVERIFY(text);
        const QString words = normalized(*text);
        const QByteArray uuid = run.run.toRfc4122();
        const QString number = "CVU-" + run.started.date().toString("yyyyMMdd") + "-"
            + uuid.mid(10).toHex().toUpper();
        QCOMPARE(certificate->number(), number);
        for (const QString &expected :
            QStringList { "Calibration Certificate", "Certificate number: " + number,
                "KR-5M-LD conductivity sensor, serial number 600, firmware 0.87",
                "Condition as received: it failed its validation as found",
                "Step 1 reference 2.8 pS/m reading -94.2 pS/m (U not stated) bounds 0.1 to 5.5 "
                "pS/m FAIL",
                "Constants before: MC 0.872600 pS/m per count, BC ",
                "Constants after: MC 0.969556 pS/m per count, BC ",
                "The sensor confirmed that it saved the new constants.",
                "Step 1 reference 2.8 pS/m reading 2.8 pS/m (U not stated) bounds 0.1 to 5.5 pS/m "
                "PASS",
                "KR-5M-LD-CV-LNK, serial number 1047, firmware 1.2, calibration date as it "
                "reports it: 2012-01-10",
                "The reference standard was out of its calibration interval at the time of this "
                "calibration: the calibration date it reports, 2012-01-10, was more than 12 "
                "months before the run.",
                "Ambient conditions were not recorded.",
                QString("record: event %1, %2")
                    .arg(run.lastEventSeq)
                    .arg(QString::fromLatin1(run.lastEventHash.toHex())),
                "End of certificate" })
            QVERIFY2(words.contains(expected), qPrintable(expected + "\nnot in\n" + words));
        QVERIFY(!words.contains("Next calibration due"));
    }

    void exports()
    {
        QString error;
        const QList<SensorSummary> sensors = openRecords().sensors(&error);
        const QList<HistoryCsv::Record> list
            = HistoryCsv::parse(sensorsCsv(sensors, QDate::currentDate(), RegisterSettings()));
        QCOMPARE(list.size(), 6);
        QCOMPARE(list.at(0).fields.mid(6, 4),
            QStringList({ "Last adjustment", "Last passed calibration", "Next due", "Status" }));
        // The same from the command line, for a lab's scripts; never onto the records.
        QTemporaryDir dir;
        QString said;
        QTextStream out(&said);
        const QString sensorsPath = dir.filePath("sensors.csv");
        QCOMPARE(
            RecordsCommand::exportSensors(RecordsDatabase::defaultPath(), sensorsPath, out, out),
            0);
        QCOMPARE(said, "exported to " + QDir::toNativeSeparators(sensorsPath) + '\n');
        const QList<HistoryCsv::Record> exported = HistoryCsv::parse(fileContents(sensorsPath));
        QCOMPARE(exported.size(), 6);
        QStringList statuses;
        for (const HistoryCsv::Record &line : exported.mid(1))
            statuses.append(line.fields.value(0) + ": " + line.fields.value(9));
        statuses.sort();
        QCOMPARE(statuses,
            QStringList({ "517: OK", "600: OK", "700: Overdue · last run failed",
                "998: Overdue · last run failed", "999: Overdue" }));
        QCOMPARE(RecordsCommand::exportSensors(
                     RecordsDatabase::defaultPath(), RecordsDatabase::defaultPath(), out, out),
            2);
        const QList<HistoryCsv::Record> history
            = HistoryCsv::parse(sensorHistoryCsv(openRecords().runsOf("600", &error)));
        QCOMPARE(history.size(), 2);
        const auto value = [&](const char *column) {
            return history.at(1).fields.value(history.at(0).fields.indexOf(QLatin1String(column)));
        };
        QCOMPARE(value("As found"), QStringLiteral("FAIL"));
        QCOMPARE(value("New MC"), QStringLiteral("0.969556"));
        QCOMPARE(value("As left step 3"), QStringLiteral("600"));
        QCOMPARE(value("Fixture out of interval"), QStringLiteral("yes"));
    }

    // Every run made with a fixture in a period, with what a lab's notice to its customers
    // needs, from the command line as a lab's script runs it.
    void recallOfAFixture()
    {
        QTemporaryDir dir;
        QString said;
        QTextStream out(&said);
        QCOMPARE(
            RecordsCommand::changeSettings(RecordsDatabase::defaultPath(),
                { QLatin1String(EventKind::customer), "600", { "name=Kessler Water" } }, out, out),
            0);
        const QString path = dir.filePath("recall.csv");
        const QString database = RecordsDatabase::defaultPath();
        const auto recalled = [&](const QStringList &period) {
            const Said run = runRecordsProgram(
                QStringList { "recall", "--database", database, "--fixture", "1047", "--csv", path }
                + period);
            // No lines where no file was written.
            QList<QStringList> lines;
            if (QFile::exists(path)) {
                for (const HistoryCsv::Record &line : HistoryCsv::parse(fileContents(path)))
                    lines.append(line.fields);
            }
            QFile::remove(path);
            return std::pair(run, lines);
        };
        const auto [all, lines] = recalled({});
        QVERIFY2(all.status == 0, qPrintable(all.all()));
        QCOMPARE(all.out.split('\n').first(), QStringLiteral("runs made with fixture 1047: 4"));
        QCOMPARE(lines.size(), 5);
        const QStringList header = lines.first();
        const auto column = [&](int line, const char *name) {
            return lines.at(line).value(header.indexOf(QLatin1String(name)));
        };
        // Oldest first: the imported history, then today's runs.
        QCOMPARE(column(1, "Sensor"), QStringLiteral("999"));
        QCOMPARE(column(1, "Date"), QStringLiteral("2025-01-10 09:00"));
        QCOMPARE(column(1, "Fixture calibration date"), QStringLiteral("unknown"));
        QCOMPARE(column(2, "As left"), QStringLiteral("FAIL"));
        QCOMPARE(column(3, "Sensor"), QStringLiteral("600"));
        QCOMPARE(column(3, "As found"), QStringLiteral("FAIL"));
        QCOMPARE(column(3, "Adjusted"), QStringLiteral("yes"));
        QCOMPARE(column(3, "Adjustment confirmed"), QStringLiteral("yes"));
        QCOMPARE(column(3, "As left"), QStringLiteral("PASS"));
        QCOMPARE(column(3, "Customer"), QStringLiteral("Kessler Water"));
        QCOMPARE(column(3, "Fixture calibration date"), QStringLiteral("2012-01-10"));
        QCOMPARE(column(3, "Fixture calibration date as sent"), QStringLiteral("01/10/12"));
        QCOMPARE(column(3, "Fixture out of interval"), QStringLiteral("yes"));
        QCOMPARE(column(4, "Sensor"), QStringLiteral("700"));
        QCOMPARE(column(4, "Adjusted"), QStringLiteral("no"));
        QCOMPARE(column(4, "Customer"), QString());

        // The period's both days are whole days.
        const QString today = QDate::currentDate().toString(Qt::ISODate);
        QCOMPARE(recalled({ "--from", "2025-01-11", "--until", "2025-01-11" }).second.size(), 2);
        QCOMPARE(recalled({ "--from", today }).second.size(), 3);
        QCOMPARE(recalled({ "--until", QDate::currentDate().addDays(-1).toString(Qt::ISODate) })
                     .second.size(),
            3);
        const auto [misread, none] = recalled({ "--until", "11/01/2025" });
        QCOMPARE(misread.status, 2);
        QVERIFY2(misread.err.contains("--until: not a date (yyyy-MM-dd): 11/01/2025"),
            qPrintable(misread.err));
        QVERIFY(none.isEmpty());
        QCOMPARE(runRecordsProgram(
                     { "recall", "--database", database, "--fixture", "1047", "--csv", database })
                     .status,
            2);

        // The same list as pages to send with a notice.
        const QString pdf = dir.filePath("recall.pdf");
        const Said printed = runRecordsProgram({ "recall", "--database", database, "--fixture",
            "1047", "--from", "2025-01-11", "--pdf", pdf });
        QVERIFY2(printed.status == 0, qPrintable(printed.all()));
        const std::optional<QString> pages = pdfText(pdf, {});
        QVERIFY(pages);
        const QString words = normalized(*pages);
        for (const QString &expected : { QString("Recall list: fixture 1047"),
                 "Every run made with the fixture from 2025-01-11 until " + today + ".",
                 QString("Kessler Water"), QString("End of list: 3 runs.") })
            QVERIFY2(words.contains(expected), qPrintable(expected + "\nnot in\n" + words));
        // Oldest first, each run listed.
        const qsizetype older = words.indexOf("998");
        QVERIFY2(
            older >= 0 && older < words.indexOf("600") && words.contains("700"), qPrintable(words));

        // A reference standard's recall: every fixture's runs while its certificate was the
        // fixture's recorded calibration, none before it was nor after the next.
        const QString referenced = dir.filePath("referenced.sqlite");
        const auto madeWith = [](const QByteArray &sensor, const QByteArray &fixture) {
            RunRecord run = runReporting(sensor);
            run.fixture.serial = reported("Serial Number = " + fixture + "\r\n", valueAfterEquals);
            return passedRunEvents(run);
        };
        const auto calibratedUnder = [](const QByteArray &fixture, const QString &number) {
            return QList<RecordEvent> { settingEvent(EventKind::fixtureSetting, fixture,
                QStringLiteral("certificate-number"), number, QStringLiteral("qm")) };
        };
        QVERIFY(writeRecords(referenced,
            madeWith("11", "1047") + calibratedUnder("1047", "RS-A") + madeWith("12", "1047")
                + calibratedUnder("1047", "RS-B") + madeWith("13", "1047")
                + calibratedUnder("2210", "RS-A") + madeWith("14", "2210")));
        const Said underReference = runRecordsProgram(
            { "recall", "--database", referenced, "--reference", "RS-A", "--csv", path });
        QVERIFY2(underReference.status == 0, qPrintable(underReference.all()));
        QCOMPARE(underReference.out.split('\n').first(),
            QStringLiteral("runs made under reference standard RS-A: 2"));
        QStringList madeUnder;
        const QList<HistoryCsv::Record> rows = HistoryCsv::parse(fileContents(path));
        const QStringList columns = rows.first().fields;
        for (const HistoryCsv::Record &row : rows.mid(1))
            madeUnder.append(row.fields.value(columns.indexOf("Sensor")) + " "
                + row.fields.value(columns.indexOf("Fixture")) + " "
                + row.fields.value(columns.indexOf("Reference certificate")));
        madeUnder.sort();
        QCOMPARE(madeUnder, (QStringList { "12 1047 RS-A", "14 2210 RS-A" }));
        QCOMPARE(runRecordsProgram({ "recall", "--database", referenced, "--reference", "RS-A",
                                       "--fixture", "1047", "--csv", path })
                     .status,
            2);

        // The window recalls the same, and a fixture picked afterwards is recalled alone again.
        RegisterWindow window(referenced, QString());
        window.show();
        window.findChild<QTabWidget *>("registerTW_views")
            ->setCurrentWidget(window.findChild<QWidget *>("fixturesTab"));
        window.findChild<QDateEdit *>("fixturesDE_since")->setDate(QDate(2000, 1, 1));
        auto *reference = window.findChild<QLineEdit *>("fixturesLE_reference");
        reference->setFocus();
        QTest::keyClicks(reference, "RS-A");
        QTest::keyClick(reference, Qt::Key_Return);
        const QAbstractItemModel *listed
            = window.findChild<QTableView *>("fixturesTV_runs")->model();
        QStringList shown;
        for (int row = 0; row < listed->rowCount(); ++row)
            shown.append(listed->index(row, FixtureRunsModel::Sensor).data().toString() + " "
                + listed->index(row, FixtureRunsModel::ReferenceCertificate).data().toString());
        shown.sort();
        QCOMPARE(shown, (QStringList { "12 RS-A", "14 RS-A" }));
        auto *fixtures = window.findChild<QTableView *>("fixturesTV_list");
        fixtures->setCurrentIndex(fixtures->model()->index(0, 0));
        QCOMPARE(fixtures->currentIndex().data().toString(), QStringLiteral("1047"));
        QCOMPARE(reference->text(), QString());
        QCOMPARE(listed->rowCount(), 3);
    }

    void certificateCommand()
    {
        QTemporaryDir dir;
        QString said;
        QTextStream out(&said);
        QCOMPARE(RecordsCommand::certificate(RecordsDatabase::defaultPath(),
                     { "517", {}, dir.filePath("517.pdf"), CertificateAction::Show, {} }, out, out),
            0);
        QVERIFY2(said.startsWith("draft of certificate CVU-"), qPrintable(said));
        const std::optional<QString> text = pdfText(dir.filePath("517.pdf"));
        QVERIFY(text);
        QVERIFY2(normalized(*text).contains(
                     "The report of this run was saved with edited fields: Sensor serial."),
            qPrintable(*text));
        QCOMPARE(RecordsCommand::certificate(RecordsDatabase::defaultPath(),
                     { "700", {}, dir.filePath("700.pdf"), CertificateAction::Show, {} }, out, out),
            1);
        QVERIFY2(said.contains("No run of sensor 700 ended with a passing validation."),
            qPrintable(said));
        QVERIFY(!QFile::exists(dir.filePath("700.pdf")));
    }

    void windowOntoTheRecords()
    {
        RegisterWindow window(RecordsDatabase::defaultPath(), QString());
        window.show();
        auto *list = window.findChild<QTableView *>("sensorsTV_list");
        QCOMPARE(list->model()->rowCount(), 5);
        QCOMPARE(window.findChild<ElidedLabel *>("sensorsLBL_counts")->fullText(),
            QStringLiteral("5 sensors: OK 2, due within 30 days 0, overdue 3, last run failed 2"));
        auto *status = window.findChild<QComboBox *>("sensorsCB_status");
        status->setCurrentIndex(status->findText("Last run failed"));
        QCOMPARE(list->model()->rowCount(), 2);
        status->setCurrentIndex(status->findText("Every status"));
        QTest::keyClicks(window.findChild<QLineEdit *>("sensorsLE_filter"), "999");
        QCOMPARE(list->model()->rowCount(), 1);
        // The Sensor tab opened first shows the sensor the list offers, not an empty page.
        auto *views = window.findChild<QTabWidget *>("registerTW_views");
        views->setCurrentWidget(window.findChild<QWidget *>("sensorTab"));
        QVERIFY2(window.findChild<ElidedLabel *>("sensorLBL_title")
                     ->fullText()
                     .endsWith("serial number 999: 1 run"),
            qPrintable(window.findChild<ElidedLabel *>("sensorLBL_title")->fullText()));
        window.showSensor("600");
        // This computer's records are all this computer's: no Bench column.
        QVERIFY(window.findChild<QTableView *>("sensorTV_runs")->isColumnHidden(RunsModel::Bench));
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // Resting on the step 3 reading as left shows it exactly.
        auto *readings = window.findChild<TimeChart *>("sensorCH_readings");
        readings->resize(800, 900);
        const QPoint at
            = readings->positionOf(2, readings->panels().at(2).series.at(1).points.first())
                  .toPoint();
        QHelpEvent rest(QEvent::ToolTip, at, readings->mapToGlobal(at));
        QApplication::sendEvent(readings, &rest);
        QVERIFY2(QToolTip::text().startsWith("Step 3 as left, ")
                && QToolTip::text().endsWith(": 600 pS/m (bounds 555 to 645, PASS)"),
            qPrintable(QToolTip::text()));
        // One time axis for both charts, so the run stands at one place in each.
        auto *constants = window.findChild<TimeChart *>("sensorCH_constants");
        QCOMPARE(constants->shownTimes().low, readings->shownTimes().low);
        QCOMPARE(constants->shownTimes().high, readings->shownTimes().high);
        // The drifted sensor's failed readings as found are red crosses, never the series' dots.
        const QImage drawn = readings->grab().toImage();
        int failedDrawn = 0;
        for (int panel = 0; panel < readings->panels().size(); ++panel) {
            for (const ChartSeries &series : readings->panels().at(panel).series) {
                for (const ChartPoint &point : series.points) {
                    const QColor centre
                        = drawn.pixelColor(readings->positionOf(panel, point).toPoint());
                    if (point.failed) {
                        ++failedDrawn;
                        QVERIFY2(centre.red() > 180 && centre.green() < 80 && centre.blue() < 80,
                            qPrintable(point.tip + ": " + centre.name()));
                    } else {
                        QCOMPARE(centre, series.colour);
                    }
                }
            }
        }
        QVERIFY(failedDrawn > 0);

        // The recall view: a fixture's runs in a period, newest first as its arrow says, each
        // opening its run (Enter, or a double click).
        window.findChild<QTabWidget *>("registerTW_views")
            ->setCurrentWidget(window.findChild<QWidget *>("fixturesTab"));
        auto *fixtureList = window.findChild<QTableView *>("fixturesTV_list");
        fixtureList->setCurrentIndex(fixtureList->model()->index(0, 0));
        window.findChild<QDateEdit *>("fixturesDE_since")->setDate(QDate(2025, 1, 11));
        window.findChild<QDateEdit *>("fixturesDE_until")->setDate(QDate(2025, 1, 11));
        auto *recalled = window.findChild<QTableView *>("fixturesTV_runs");
        QCOMPARE(recalled->model()->rowCount(), 1);
        window.findChild<QDateEdit *>("fixturesDE_until")->setDate(QDate::currentDate());
        QCOMPARE(recalled->model()->rowCount(), 3);
        QCOMPARE(recalled->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
        const QModelIndex calibratedRun = recalled->model()->index(1, FixtureRunsModel::Sensor);
        QCOMPARE(calibratedRun.data().toString(), QStringLiteral("600"));
        QVERIFY(recalled->model()->index(0, 0).data(sortRole).toDateTime()
            >= calibratedRun.siblingAtColumn(0).data(sortRole).toDateTime());
        recalled->setCurrentIndex(calibratedRun);
        QTest::keyClick(recalled, Qt::Key_Return);
        auto *runs = window.findChild<QTableView *>("sensorTV_runs");
        QCOMPARE(window.findChild<QTabWidget *>("registerTW_views")->currentWidget()->objectName(),
            QStringLiteral("sensorTab"));
        QCOMPARE(runs->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(runs->selectionModel()->selectedRows().first().row(), 0);

        // A report's button is never narrower than its name, in a window wide enough for every
        // other column but too narrow for the report's.
        window.showSensor("517");
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *report = qobject_cast<QPushButton *>(
            runs->indexWidget(runs->model()->index(0, RunsModel::Report)));
        QVERIFY(report);
        QCOMPARE(report->text(), QStringLiteral("KR-5M-LD_517_validated.txt"));
        const QHeaderView *columns = runs->horizontalHeader();
        const int others = columns->length() - columns->sectionSize(RunsModel::Report);
        window.resize(
            window.width() + others + report->sizeHint().width() / 2 - runs->viewport()->width(),
            window.height());
        QTRY_COMPARE(runs->viewport()->width(), others + report->sizeHint().width() / 2);
        QVERIFY2(report->width() >= report->sizeHint().width(),
            qPrintable(QString("%1 < %2").arg(report->width()).arg(report->sizeHint().width())));
    }

    // What an auditor asks of the window: a check of the records that says "intact" only when
    // they are, and a run's events with the hashes that chain them.
    void whatAnAuditorAsksOfTheWindow()
    {
        const QString path = m_reports.filePath("audited.sqlite");
        const QList<RecordEvent> events = passedRunEvents(runReporting("4242"));
        QVERIFY(writeRecords(path, events));
        QStringList progressShown;
        ShowWatcher progressWatcher([&](QWidget *shown) {
            if (auto *progress = qobject_cast<QProgressDialog *>(shown)) {
                const QPushButton *cancel = progress->findChild<QPushButton *>();
                progressShown.append(
                    progress->windowTitle() + " / " + (cancel ? cancel->text() : "no button"));
            }
        });
        const auto verified = [&] {
            RegisterWindow window(path, QString());
            window.show();
            BoxAnswerer answerer;
            SeenBox told;
            answerer.pressButton(QMessageBox::Ok, &told);
            window.findChild<QAction *>("actionVerify")->trigger();
            answerer.waitUntilAnswered();
            return told;
        };
        const SeenBox intact = verified();
        QCOMPARE(progressShown, QStringList { "Verify records / Cancel" });
        QCOMPARE(intact.title, QStringLiteral("Verify records"));
        QCOMPARE(intact.icon, QMessageBox::Information);
        QVERIFY2(
            intact.text.startsWith(QStringLiteral("records intact: %1 events").arg(events.size())),
            qPrintable(intact.text));

        {
            RegisterWindow window(path, QString());
            window.show();
            window.showSensor("4242");
            window.findChild<QTableView *>("sensorTV_runs")->selectRow(0);
            QStringList hashes, accounts, values;
            QString about;
            int validationRows = 0;
            const QString exported = m_reports.filePath("audit-trail.csv");
            BoxAnswerer answerer;
            answerer.answerNext(
                [&](QWidget *modal) {
                    about = modal->findChild<ElidedLabel *>("tableLBL_about")->fullText();
                    const QAbstractItemModel *rows
                        = modal->findChild<QTableView *>("tableTV_rows")->model();
                    for (int row = 0; row < rows->rowCount(); ++row) {
                        hashes.append(rows->index(row, rows->columnCount() - 1).data().toString());
                        accounts.append(rows->index(row, 2).data().toString());
                        values.append(rows->index(row, 8).data().toString());
                    }
                    QTest::keyClicks(modal->findChild<QLineEdit *>("tableLE_filter"), "VALIDATION");
                    validationRows = rows->rowCount();
                    modal->findChild<QPushButton *>("tablePB_export")->click();
                    BoxAnswerer::rejectOrClose(modal);
                },
                BoxAnswerer::ofType<TableDialog>());
            answerer.chooseFile(exported);
            window.findChild<QAction *>("actionAuditTrail")->trigger();
            QVERIFY(answerer.waitUntilAnswered());
            QVERIFY2(about.contains("of sensor 4242"), qPrintable(about));
            const QList<RecordsDatabase::StoredEvent> stored = storedEvents(path);
            QCOMPARE(hashes.size(), stored.size());
            for (int at = 0; at < stored.size(); ++at)
                QCOMPARE(hashes.at(at), QString::fromLatin1(stored.at(at).hash.toHex()));
            // Who made each event, and the values it keeps: a device's reply byte for byte.
            const QString login = RunContext::ofThisProgram().login;
            QCOMPARE(accounts, QStringList(stored.size(), login));
            QVERIFY2(values.first().contains(QStringLiteral("login: ") + login),
                qPrintable(values.first()));
            QVERIFY2(values.first().contains("\\r\\n\""), qPrintable(values.first()));
            // The filter keeps the rows holding its text; the export has those it shows.
            QCOMPARE(validationRows, 1);
            QFile csv(exported);
            QVERIFY(csv.open(QIODevice::ReadOnly));
            const QList<QByteArray> lines = csv.readAll().split('\n');
            QCOMPARE(lines.size(), 3);
            QVERIFY2(lines.at(0).contains("Place,Time,Account,Computer,Event"), lines.at(0));
            QVERIFY2(lines.at(1).contains(",validation,"), lines.at(1));
            QVERIFY2(lines.at(1).contains(stored.at(1).hash.toHex()), lines.at(1));
        }

        {
            Tamperer tamperer(path);
            QVERIFY(tamperer.run("UPDATE events SET verdict = 'failed' WHERE seq = 2"));
        }
        const SeenBox tampered = verified();
        QVERIFY2(tampered.icon == QMessageBox::Warning, qPrintable(tampered.text));
        QVERIFY2(!tampered.text.contains("records intact"), qPrintable(tampered.text));

        // Cancel stops the check before it vouches for anything, and it says so.
        QList<qint64> totals;
        QString said;
        QTextStream out(&said);
        const int stopped = RecordsCommand::verify(
            path, QString(), out, out, [&totals](qint64 done, qint64 total) {
                totals.append(done);
                totals.append(total);
                return false;
            });
        QCOMPARE(stopped, 1);
        QCOMPARE(totals, (QList<qint64> { 0, events.size() }));
        QCOMPARE(said.trimmed(),
            QStringLiteral(
                "records: the check was stopped after 0 events, before it was complete"));
    }

    // Without a mouse: on each view Tab reaches every control once, in the order they are read,
    // each with a name a screen reader says; the shortcuts do what their buttons and menus do.
    void theWindowWorksFromTheKeyboard()
    {
        const QString path = m_reports.filePath("keyboard.sqlite");
        QVERIFY(writeRecords(path, passedRunEvents(runReporting("4242"))));
        RegisterWindow window(path, QString());
        window.resize(1100, 760);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto *views = window.findChild<QTabWidget *>("registerTW_views");
        for (int view = 0; view < views->count(); ++view) {
            views->setCurrentIndex(view);
            if (view == 2)
                window.findChild<QTableView *>("fixturesTV_list")->selectRow(0);
            QList<QWidget *> controls = controlsOf(&window);
            std::sort(controls.begin(), controls.end(), readsBefore);
            const QStringList unnamed = unnamedControls(&window);
            QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
            // One Tab to each next control; only a date edit's goes from day to month to year
            // first, as everywhere in Qt.
            controls.first()->setFocus(Qt::TabFocusReason);
            QList<QWidget *> visited { controls.first() };
            for (int press = 0; press < tabPressesAtMost; ++press) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                QWidget *now = controlOf(QApplication::focusWidget(), controls);
                if (now == controls.first())
                    break;
                if (now != visited.last() || !qobject_cast<QAbstractSpinBox *>(now))
                    visited.append(now);
            }
            QCOMPARE(names(visited), names(controls));
        }

        views->setCurrentIndex(0);
        window.findChild<QTableView *>("sensorsTV_list")->setFocus();
        window.findChild<QTableView *>("sensorsTV_list")->selectRow(0);
        // A button's shortcut presses it as a click does, the button seen going down first.
        QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
        QTRY_COMPARE(views->currentWidget()->objectName(), QStringLiteral("sensorTab"));
        QVERIFY(window.findChild<ElidedLabel *>("sensorLBL_title")->fullText().contains("4242"));
        views->setCurrentIndex(0);
        auto *list = window.findChild<QTableView *>("sensorsTV_list");
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(views->currentWidget()->objectName(), QStringLiteral("sensorTab"));

        // What a key or an action brings up in the end (past the window showing how far a check
        // has got): its title, then any control in it a screen reader could say nothing of.
        const auto opened = [&](const std::function<void()> &open) {
            BoxAnswerer answerer;
            QStringList seen { "nothing shown" };
            answerer.answerNext(
                [&](QWidget *modal) {
                    seen = unnamedControls(modal);
                    seen.prepend(modal->windowTitle());
                    BoxAnswerer::rejectOrClose(modal);
                },
                [](QWidget *modal) { return !qobject_cast<QProgressDialog *>(modal); });
            open();
            answerer.waitUntilAnswered();
            return seen;
        };
        const auto pressed = [&](Qt::Key key, Qt::KeyboardModifiers modifiers) {
            return [&window, key, modifiers] {
                window.activateWindow();
                if (QTest::qWaitForWindowActive(&window))
                    QTest::keyClick(&window, key, modifiers);
            };
        };
        const auto triggered = [&window](const char *action) {
            return [&window, action] { window.findChild<QAction *>(action)->trigger(); };
        };
        QCOMPARE(opened(pressed(Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier)),
            QStringList { "Verify records" });
        QCOMPARE(opened(pressed(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier)),
            QStringList { "Certificate" });
        QCOMPARE(
            opened([&window] { window.findChild<QPushButton *>("sensorPB_customer")->click(); }),
            QStringList { "Customer" });
        views->setCurrentIndex(1);
        window.findChild<QTableView *>("sensorTV_runs")->selectRow(0);
        for (const auto &[action, title] : { std::pair("actionAuditTrail", "Audit trail"),
                 std::pair("actionCertificates", "Certificates issued"),
                 std::pair("actionSettingsHistory", "Settings history"),
                 std::pair("actionSettings", "Register Settings") })
            QCOMPARE(opened(triggered(action)), QStringList { title });

        // F5 reads the records again: a run recorded meanwhile is in the list.
        QVERIFY(writeRecords(path, passedRunEvents(runReporting("5151"))));
        views->setCurrentIndex(0);
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_F5);

        QTRY_COMPARE(list->model()->rowCount(), 2);
    }

    // Default file names are cleaned of what a device may send (a path, a line break), long
    // texts never widen the window, and an export that cannot be written says so and keeps the
    // file that was there.
    void windowExportsAreWholeAndSafelyNamed()
    {
        const QString path = m_reports.filePath("hostile.sqlite");
        const QByteArray longSerial(500, '7');
        QList<RecordEvent> events;
        for (const QByteArray &serial :
            { QByteArray("../../tmp/x"), QByteArray("line\nbreak"), longSerial })
            events += passedRunEvents(runReporting(serial));
        QVERIFY(writeRecords(path, events));
        RegisterWindow window(path, QString());
        window.show();
        const QString documents
            = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        const auto proposedFor = [&](const QByteArray &serial) {
            window.showSensor(serial);
            QString proposed;
            BoxAnswerer answerer;
            answerer.answerNext(
                [&](QWidget *modal) {
                    auto *dialog = qobject_cast<QFileDialog *>(modal);
                    proposed = dialog->selectedFiles().value(0);
                    dialog->reject();
                },
                BoxAnswerer::ofType<QFileDialog>());
            window.findChild<QPushButton *>("sensorPB_export")->click();
            return proposed;
        };
        QCOMPARE(proposedFor("../../tmp/x"), documents + "/KR-5M-LD_.._.._tmp_x_history.csv");
        QCOMPARE(proposedFor("line\nbreak"), documents + "/KR-5M-LD_line_break_history.csv");
        QCOMPARE(
            proposedFor(longSerial), documents + "/KR-5M-LD_" + QString(64, '7') + "_history.csv");
        auto *title = window.findChild<ElidedLabel *>("sensorLBL_title");
        QVERIFY(title->fullText().contains(QString::fromLatin1(longSerial)));
        QVERIFY(title->text().size() < title->fullText().size());
        QCOMPARE(title->toolTip(), title->fullText());
        QVERIFY2(window.minimumSizeHint().width() < 1000,
            qPrintable(QString::number(window.minimumSizeHint().width())));

        SmallFileSystem small;
        QTemporaryDir fallback;
        const QString target = (small.isMounted() ? small.filePath({}) : fallback.path())
            + QStringLiteral("/history.csv");
        const QByteArray old = "what the file held before\r\n";
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
        file.close();
        QVERIFY(!small.isMounted() || small.filled());
        BoxAnswerer answerer;
        answerer.chooseFile(target);
        SeenBox told;
        answerer.pressButton(QMessageBox::Ok, &told);
        window.showSensor("../../tmp/x");
        const auto exportHistory
            = [&] { return window.findChild<QPushButton *>("sensorPB_export")->click(), true; };
        QVERIFY(small.isMounted() ? exportHistory() : withFileSizeLimit(64, exportHistory));
        QVERIFY(answerer.waitUntilAnswered());
        QCOMPARE(told.title, QStringLiteral("Export"));
        QVERIFY2(told.text.startsWith("Cannot write " + QDir::toNativeSeparators(target) + ": "),
            qPrintable(told.text));
        QCOMPARE(fileContents(target), old);
    }

private:
    static Register openRecords() { return Register(QSqlDatabase::database("register")); }

    QTemporaryDir m_reports;
};

QTEST_MAIN(RegisterTest)
#include "tst_register.moc"
