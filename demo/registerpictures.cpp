// cvu-register-pictures: pictures of the register window and a certificate, for the README.
// It fills a records database the way a lab's would be filled: an old calibration history to
// import, then real runs of the dialog against simulated fixtures; then it shows the register on
// it and saves each view. Run by scripts/screenshots, which sets the data folder; not installed.

#include "appsetup.h"
#include "boxanswerer.h"
#include "certificate.h"
#include "fixturesession.h"
#include "issuing.h"
#include "recordsdatabase.h"
#include "registerconfig.h"
#include "registerwindow.h"
#include "runevents.h"
#include "savefile.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QStandardPaths>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <cstdio>

namespace {
constexpr int windowWidth = 1100;
constexpr int windowHeight = 760;
// Long enough for a list window's columns and a check of the demonstration's records.
constexpr std::chrono::milliseconds openedSettle { 500 };

// Three years of an old history: each sensor validated twice a year, drifting slowly until a
// calibration set it right.
QByteArray oldHistory()
{
    QByteArray csv
        = "\xEF\xBB\xBF"
          "Date,Time,Fixture model,Fixture serial,Fixture version,Sensor serial,"
          "Sensor firmware,Event,Step 1,Step 2,Step 3,Step 4,Step 5,Low average,High average,"
          "Old MC,Old BC,New MC,New BC,Report file\r\n";
    const double references[] = { 2.8, 120, 600, 1000, 1700 };
    for (const char *serial : { "517", "600", "700" }) {
        const QByteArray sensor(serial);
        for (int visit = 0; visit < 6; ++visit) {
            const QDate day = QDate(2023, 2, 6).addMonths(visit * 6).addDays(sensor.toInt() % 20);
            const double drift = 1 + 0.012 * (visit % 3) * (sensor == "600" ? 2 : 1);
            const QByteArray identity = day.toString(Qt::ISODate).toLatin1() + ",10:1"
                + QByteArray::number(visit) + ":00,KR-5M-LD-CV-LNK,1047,1.2," + sensor + ",0.87,";
            csv += identity + "Identified,,,,,,,,,,,,\r\n";
            // The tightest bound is step 5's, 1777 pS/m: 4.5 % above its reference.
            QByteArray line
                = identity + (drift < 1.045 ? "Validation passed" : "Validation failed");
            for (const double reference : references)
                line += "," + QByteArray::number(reference * drift, 'f', reference < 100 ? 1 : 0);
            csv += line + ",,,,,,,\r\n";
        }
    }
    return csv;
}

bool fillRecords()
{
    const QString history = RecordsDatabase::legacyHistoryPath(RecordsDatabase::defaultPath());
    QDir().mkpath(QFileInfo(history).absolutePath());
    QFile file(history);
    if (!file.open(QIODevice::WriteOnly) || file.write(oldHistory()) < 0)
        return false;
    file.close();
    SimulatorOptions healthy;
    const QByteArray threeMonthsAgo
        = QDate::currentDate().addMonths(-3).toString(QStringLiteral("MM/dd/yy")).toLatin1();
    SimulatorOptions drifted;
    drifted.sensorSerial = "600";
    drifted.drifted = true;
    drifted.fixtureSerial = "2210";
    drifted.fixtureCalDate = threeMonthsAgo;
    SimulatorOptions failing;
    failing.sensorSerial = "700";
    failing.failStep = 4;
    SimulatorOptions recent;
    recent.sensorSerial = "801";
    recent.fixtureSerial = "2210";
    recent.fixtureCalDate = threeMonthsAgo;
    return runAtTheBench(healthy, false) && runAtTheBench(drifted, true)
        && runAtTheBench(failing, false) && runAtTheBench(recent, false);
}

QPalette darkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2d, 0x30));
    dark.setColor(QPalette::WindowText, QColor(0xe8, 0xe8, 0xe8));
    dark.setColor(QPalette::Base, QColor(0x1f, 0x21, 0x24));
    dark.setColor(QPalette::AlternateBase, QColor(0x2b, 0x2d, 0x30));
    dark.setColor(QPalette::Text, QColor(0xe8, 0xe8, 0xe8));
    dark.setColor(QPalette::Button, QColor(0x35, 0x38, 0x3b));
    dark.setColor(QPalette::ButtonText, QColor(0xe8, 0xe8, 0xe8));
    dark.setColor(QPalette::Highlight, QColor(0x3d, 0xae, 0xe9));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Mid, QColor(0x60, 0x60, 0x60));
    dark.setColor(QPalette::PlaceholderText, QColor(0xa0, 0xa0, 0xa0));
    return dark;
}

bool save(QWidget &window, const QDir &folder, const QString &name)
{
    QApplication::processEvents();
    const QString path = folder.filePath(name + QStringLiteral(".png"));
    const bool saved = window.grab().save(path);
    std::printf("%s %s\n", saved ? "picture" : "could not save", qPrintable(path));
    return saved;
}

// The window a menu action opens, as a user sees it once it has settled, then closed.
bool saveOpened(RegisterWindow &window, const char *action, const QDir &folder, const QString &name)
{
    bool saved = false;
    QTimer::singleShot(openedSettle, &window, [&] {
        if (auto *opened = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            saved = save(*opened, folder, name);
            opened->reject();
        }
    });
    window.findChild<QAction *>(QLatin1String(action))->trigger();
    return saved;
}

bool pictures(const QDir &folder, const QString &prefix)
{
    RegisterWindow window(RecordsDatabase::defaultPath(), QString());
    window.resize(windowWidth, windowHeight);
    window.show();
    auto *views = window.findChild<QTabWidget *>(QStringLiteral("registerTW_views"));
    bool saved = save(window, folder, prefix + QStringLiteral("records-sensors"));
    window.showSensor("600");
    window.findChild<QTableView *>(QStringLiteral("sensorTV_runs"))->selectRow(0);
    saved = save(window, folder, prefix + QStringLiteral("records-sensor")) && saved;
    for (const auto &[action, name] : { std::pair("actionAuditTrail", "records-audit-trail"),
             std::pair("actionVerify", "records-verify"),
             std::pair("actionCertificates", "records-certificates") })
        saved = saveOpened(window, action, folder, prefix + QLatin1String(name)) && saved;
    views->setCurrentIndex(2);
    auto *fixtures = window.findChild<QTableView *>(QStringLiteral("fixturesTV_list"));
    fixtures->selectionModel()->setCurrentIndex(fixtures->model()->index(0, 0),
        QItemSelectionModel::SelectCurrent | QItemSelectionModel::Rows);
    return save(window, folder, prefix + QStringLiteral("records-fixtures")) && saved;
}

// The lab's settings, the fixture's own calibration and the customer, as a lab records them
// (each a change in the records), then the calibrated sensor's certificate approved and issued.
bool certificate(const QDir &folder)
{
    const QString records = RecordsDatabase::defaultPath();
    const QString account = RunContext::ofThisProgram().login;
    const QDate calibrated = QDate::currentDate().addMonths(-3);
    QList<RecordEvent> changes;
    for (const auto &[name, value] : QList<std::pair<const char *, QString>> {
             { "laboratory-name", "Bench Calibration Laboratory" },
             { "laboratory-address", "1 Lab Lane\\nTestville TV1 2AB" },
             // A demonstration has one account: it approves its own runs, as a lab may allow.
             { "self-approval", "yes" }, { "print-next-due", "yes" },
             // The lab's repeatability study: a standard deviation over 10 readings per step.
             { "repeatability1", "0.02/10" }, { "repeatability2", "0.3/10" },
             { "repeatability3", "1.5/10" }, { "repeatability4", "2.5/10" },
             { "repeatability5", "4/10" },
             { "procedure",
                 "KR-5M-LD validation and two-point calibration, procedure CP-7 issue 3" } })
        changes.append(settingEvent(EventKind::setting, {}, QLatin1String(name), value, account));
    for (const auto &[name, value] :
        QList<std::pair<const char *, QString>> { { "certificate-number", "RS-2026-0412" },
            { "laboratory", "National Conductivity Standards Ltd" },
            { "calibrated", calibrated.toString(Qt::ISODate) },
            { "due", calibrated.addMonths(12).toString(Qt::ISODate) }, { "u1", "0.05" },
            { "u2", "1.2" }, { "u3", "3" }, { "u4", "5" }, { "u5", "8" }, { "u-high", "8" },
            { "k", "2" } })
        changes.append(
            settingEvent(EventKind::fixtureSetting, "2210", QLatin1String(name), value, account));
    changes.append(settingEvent(EventKind::customer, "600", QStringLiteral("name"),
        QStringLiteral("Riverside Water Works"), account));
    QString error;
    if (!recordEvents(records, changes, &error))
        return false;
    if (!RecordsDatabase::openForReading(records, QStringLiteral("pictures"), &error))
        return false;
    bool written = false;
    {
        const Register kept(QSqlDatabase::database(QStringLiteral("pictures")));
        const QList<RunSummary> runs = kept.runsOf("600", &error);
        const CertificateOutcome issued = runs.isEmpty()
            ? CertificateOutcome()
            : certificateOf(records, kept, runs.first(), CertificateAction::Approve,
                { QString(), QStringLiteral("21.4"), QStringLiteral("38"),
                    QStringLiteral("Cell clean, housing undamaged."), {}, {} },
                account);
        written = issued.certificate
            && writeFileWhole(
                folder.filePath(QStringLiteral("records-certificate.pdf")), issued.pdf, &error);
    }
    RecordsDatabase::close(QStringLiteral("pictures"));
    return written;
}
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installTranslations(app);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addPositionalArgument(
        QStringLiteral("folder"), QStringLiteral("Where the pictures go."));
    parser.process(app);
    const QDir folder(parser.positionalArguments().value(0, QStringLiteral(".")));
    folder.mkpath(QStringLiteral("."));
    useTestSettings();
    QStandardPaths::setTestModeEnabled(false);
    if (!fillRecords()) {
        std::fprintf(stderr, "the runs at the simulated bench did not end as they should\n");
        return 1;
    }
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    bool done = certificate(folder) && pictures(folder, QString());
    QApplication::setPalette(darkPalette());
    done = pictures(folder, QStringLiteral("dark-palette-")) && done;
    return done ? 0 : 1;
}
