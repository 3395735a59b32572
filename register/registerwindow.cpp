#include "registerwindow.h"

#include "chaincheck.h"
#include "commands.h"
#include "issuedialog.h"
#include "recallpdf.h"
#include "registercsv.h"
#include "runevents.h"
#include "savefile.h"
#include "sensorcharts.h"
#include "serverregister.h"
#include "settingsdialog.h"
#include "tabledialog.h"
#include "ui_registerwindow.h"
#include "valuesdialog.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <atomic>

namespace {
constexpr int resizePrecisionRows = 40;
constexpr std::chrono::seconds syncLookInterval { 1 };
constexpr int progressSteps = 1000;
int connections = 0;

void openFolderOf(const QString &path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

QString documentsPath(const QString &name)
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(documents).filePath(name);
}
}

RegisterWindow::RecordsFileState RegisterWindow::RecordsFileState::of(const QString &path)
{
    const QFileInfo records(path);
    return { QFileInfo::exists(path + QStringLiteral("-wal")), records.size(),
        records.lastModified() };
}

RegisterWindow::RegisterWindow(const QString &databasePath, const QString &server, QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::RegisterWindow)
    , m_databasePath(databasePath)
    , m_connection(QStringLiteral("cvu-register-%1").arg(++connections))
    , m_config(loadRegisterConfig())
{
    ui->setupUi(this);
    m_sensorsView.setSourceModel(&m_sensors);
    m_sensorsView.setSortRole(sortRole);
    m_sensorsView.setFilterKeyColumn(SensorsModel::Serial);
    m_sensorsView.setFilterCaseSensitivity(Qt::CaseInsensitive);
    ui->sensorsTV_list->setModel(&m_sensorsView);
    ui->sensorsTV_list->sortByColumn(SensorsModel::NextDue, Qt::AscendingOrder);
    ui->sensorTV_runs->setModel(&m_runs);
    ui->fixturesTV_list->setModel(&m_fixtures);
    m_fixtureRunsView.setSourceModel(&m_fixtureRuns);
    m_fixtureRunsView.setSortRole(sortRole);
    ui->fixturesTV_runs->setModel(&m_fixtureRunsView);
    for (QTableView *table :
        { ui->sensorsTV_list, ui->sensorTV_runs, ui->fixturesTV_list, ui->fixturesTV_runs }) {
        table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
        // Columns fit the rows in sight and a few more, not all of a big lab's thousands.
        table->horizontalHeader()->setResizeContentsPrecision(resizePrecisionRows);
        table->horizontalHeader()->setStretchLastSection(true);
    }
    // The report buttons' column is as wide as they are: stretched to what is left, the last
    // column would cut a button's name at both ends in a narrow window.
    ui->sensorTV_runs->horizontalHeader()->setStretchLastSection(false);
    // The charts are what a run's list cannot show: they get the room.
    ui->sensorSplitter->setStretchFactor(0, 1);
    ui->sensorSplitter->setStretchFactor(1, 3);
    ui->fixturesDE_since->setDate(
        QDate::currentDate().addMonths(-RegisterSettings().fixtureIntervalMonths));
    ui->fixturesDE_until->setDate(QDate::currentDate());
    // Newest first, and the header's arrow says so.
    ui->fixturesTV_runs->sortByColumn(FixtureRunsModel::Date, Qt::DescendingOrder);
    connect(ui->fixturesTV_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        &RegisterWindow::showPickedFixtureRuns);
    connect(ui->registerTW_views, &QTabWidget::currentChanged, this, [this](int) {
        if (ui->registerTW_views->currentWidget() == ui->fixturesTab)
            showFixtures();
        // The Sensor tab opened before any sensor shows the one picked in the list, or the
        // first, never an empty page.
        if (ui->registerTW_views->currentWidget() == ui->sensorTab && m_sensorSerial.isEmpty()
            && m_sensorsView.rowCount() > 0) {
            const QModelIndex picked = ui->sensorsTV_list->currentIndex();
            on_sensorsTV_list_activated(picked.isValid() ? picked : m_sensorsView.index(0, 0));
        }
    });
    auto *look = new QTimer(this);
    connect(look, &QTimer::timeout, this, &RegisterWindow::showSyncStatus);
    look->start(syncLookInterval);
    useServer(server);
}

// Shows the lab's register where the server answers, this computer's records otherwise, and
// sends this computer's records to the server.
void RegisterWindow::useServer(const QString &server)
{
    m_server = server;
    m_sender.reset();
    m_showsServer = false;
    m_lastError.clear();
    RecordsDatabase::close(m_connection);
    openSource(server);
    // Every run of this computer's own records is this computer's.
    ui->sensorTV_runs->setColumnHidden(RunsModel::Bench, !m_showsServer);
    if (m_lastError.isEmpty())
        reload();
    if (!m_lastError.isEmpty())
        ui->registerLBL_source->setFullText(m_lastError);
    ui->registerLBL_sync->setVisible(!server.isEmpty());
    if (!server.isEmpty())
        m_sender = std::make_unique<RecordsSender>(m_databasePath, server);
    showSyncStatus();
}

// The lab's register where a server is set and answers, this computer's records otherwise.
void RegisterWindow::openSource(const QString &server)
{
    QString serverError;
    if (!server.isEmpty() && openServerRegister(server, m_connection, &serverError)) {
        m_showsServer = true;
        ui->registerLBL_source->setFullText(tr("The lab's register on the server, every bench: %1")
                                                .arg(serverWithoutPassword(server)));
        return;
    }
    if (!openLocalRecords())
        return;
    QString source
        = tr("Records of this computer: %1").arg(QDir::toNativeSeparators(m_databasePath));
    // What the records' owner must know at once: a copy, or records that end before what the
    // lab's server holds.
    QSqlDatabase records = QSqlDatabase::database(m_connection);
    const QString standing = recordsStanding(records, m_databasePath);
    if (!standing.isEmpty()) {
        source += QLatin1Char(' ') + standing;
        QTimer::singleShot(
            0, this, [this, standing] { tell(tr("Calibration Records"), standing); });
    }
    if (!server.isEmpty())
        source += tr(" (the lab's server is not shown: %1)").arg(serverError);
    ui->registerLBL_source->setFullText(source);
}

void RegisterWindow::showSyncStatus()
{
    if (!m_sender)
        return;
    const SyncStatus status = m_sender->status();
    QString text;
    if (status.waiting < 0)
        text = tr("Looking at what waits for the server...");
    else if (status.waiting == 0)
        text = tr("All records of this computer are on the server.");
    else if (status.waiting == 1)
        text = tr("1 record waiting for the server.");
    else
        text = tr("%1 records waiting for the server.").arg(status.waiting);
    if (!status.lastError.isEmpty())
        text += QLatin1Char(' ') + tr("Last error: %1").arg(status.lastError);
    ui->registerLBL_sync->setFullText(text);
}

RegisterWindow::~RegisterWindow()
{
    delete ui;
    RecordsDatabase::close(m_connection);
}

class Register RegisterWindow::registerOfRecords()
{
    // Records read as they stood while no program wrote them are opened again once one does,
    // or did since (a whole run made while this window was open), so what it wrote is seen and
    // never read while it moves within the file.
    if (!m_showsServer && m_openedAs != RecordsFileState::of(m_databasePath))
        openLocalRecords();
    return Register(QSqlDatabase::database(m_connection, false));
}

// Opens this computer's records afresh, noting how the file stood first: whatever a program
// writes from then on is seen at the next look. False, and the reason kept, when it cannot.
bool RegisterWindow::openLocalRecords()
{
    RecordsDatabase::close(m_connection);
    m_openedAs = RecordsFileState::of(m_databasePath);
    QString error;
    if (RecordsDatabase::openForReading(m_databasePath, m_connection, &error))
        return true;
    m_lastError = error;
    return false;
}

bool RegisterWindow::reload()
{
    QString error;
    const Register records = registerOfRecords();
    const QList<SensorSummary> sensors = records.sensors(&error);
    if (!error.isEmpty()) {
        m_lastError = tr("The records cannot be read: %1").arg(error);
        return false;
    }
    m_lastError.clear();
    m_settings = records.settings();
    m_sensors.setSensors(sensors, QDate::currentDate(), m_settings);
    showCounts();
    if (!m_sensorSerial.isEmpty())
        showSensor(m_sensorSerial);
    if (ui->registerTW_views->currentWidget() == ui->fixturesTab)
        showFixtures();
    return true;
}

void RegisterWindow::showCounts()
{
    const QMap<SensorStatus, int> counts = m_sensors.statusCounts();
    ui->sensorsLBL_counts->setFullText(
        tr("%n sensor(s): OK %1, due within %2 days %3, overdue %4, last run failed %5", nullptr,
            m_sensors.rowCount())
            .arg(counts.value(SensorStatus::Ok))
            .arg(m_settings.dueSoonDays)
            .arg(counts.value(SensorStatus::DueSoon))
            .arg(counts.value(SensorStatus::Overdue))
            .arg(counts.value(SensorStatus::LastRunFailed)));
}

void RegisterWindow::showSensor(const QByteArray &serial)
{
    QString error;
    const Register records = registerOfRecords();
    const QList<RunSummary> runs = records.runsOf(serial, &error);
    m_sensorSerial = serial;
    m_runs.setRuns(runs, records.lab());
    addReportButtons();
    ui->sensorLBL_title->setFullText(runs.isEmpty()
            ? tr("Sensor %1").arg(QString::fromUtf8(serial))
            : tr("%1, serial number %2: %n run(s)", nullptr, int(runs.size()))
                  .arg(runs.first().sensorModel, QString::fromUtf8(serial)));
    const QList<ChartPanel> constants = constantsPanels(runs);
    const QList<ChartPanel> readings = readingsPanels(runs, records.lab());
    const AxisRange times = timeRangeOf(constants + readings);
    ui->sensorCH_constants->setPanels(constants, times);
    ui->sensorCH_readings->setPanels(readings, times);
    ui->registerTW_views->setCurrentWidget(ui->sensorTab);
}

void RegisterWindow::selectRun(const QUuid &run)
{
    for (int row = 0; row < m_runs.rowCount(); ++row) {
        if (m_runs.runAt(row).run == run) {
            ui->sensorTV_runs->selectRow(row);
            return;
        }
    }
}

// A button beside each report that opens its folder.
void RegisterWindow::addReportButtons()
{
    for (int row = 0; row < m_runs.rowCount(); ++row) {
        const QString report = m_runs.runAt(row).reportPath;
        if (report.isEmpty())
            continue;
        auto *open = new QPushButton(QFileInfo(report).fileName());
        open->setToolTip(tr("Open the folder of %1").arg(report));
        // From the keyboard the report's cell opens it (Enter): Tab leaves the table whole.
        open->setFocusPolicy(Qt::NoFocus);
        connect(open, &QPushButton::clicked, this, [report] { openFolderOf(report); });
        ui->sensorTV_runs->setIndexWidget(m_runs.index(row, RunsModel::Report), open);
    }
}

void RegisterWindow::on_sensorTV_runs_activated(const QModelIndex &index)
{
    const QString report = m_runs.runAt(index.row()).reportPath;
    if (index.column() == RunsModel::Report && !report.isEmpty())
        openFolderOf(report);
}

void RegisterWindow::on_registerPB_reload_clicked()
{
    if (!reload())
        tell(tr("Calibration Records"), m_lastError);
}

void RegisterWindow::on_sensorsLE_filter_textChanged(const QString &text)
{
    m_sensorsView.setFilterFixedString(text);
}

// The list's first entry is every status; the others follow the statuses' order.
void RegisterWindow::on_sensorsCB_status_currentIndexChanged(int index)
{
    m_sensorsView.setStatus(
        index > 0 ? std::optional(SensorStatus(index - 1)) : std::optional<SensorStatus>());
}

void RegisterWindow::on_sensorsPB_open_clicked()
{
    const QModelIndex current = ui->sensorsTV_list->currentIndex();
    if (current.isValid())
        on_sensorsTV_list_activated(current);
}

void RegisterWindow::on_sensorsTV_list_activated(const QModelIndex &index)
{
    showSensor(m_sensors.sensorAt(m_sensorsView.mapToSource(index).row()).serial);
}

void RegisterWindow::on_sensorsPB_export_clicked()
{
    QString error;
    saveCsv(QStringLiteral("sensors.csv"),
        sensorsCsv(registerOfRecords().sensors(&error), QDate::currentDate(), m_settings));
}

void RegisterWindow::on_sensorPB_export_clicked()
{
    QString error;
    const Register records = registerOfRecords();
    saveCsv(QStringLiteral("KR-5M-LD_%1_history.csv")
                .arg(fileNamePart(QString::fromUtf8(m_sensorSerial))),
        sensorHistoryCsv(records.runsOf(m_sensorSerial, &error), records.lab()));
}

// The selected run, or the latest that can have a certificate.
std::optional<RunSummary> RegisterWindow::chosenRun()
{
    const QModelIndex current = ui->sensorTV_runs->currentIndex();
    if (current.isValid())
        return m_runs.runAt(current.row());
    for (int row = 0; row < m_runs.rowCount(); ++row) {
        if (certificateRefusal(m_runs.runAt(row)).isEmpty())
            return m_runs.runAt(row);
    }
    tell(tr("Certificate"), tr("No run of this sensor can have a certificate."));
    return std::nullopt;
}

// The run's certificate as the records hold it, asked for with an action: shown, issued or
// amended; refused with why in a box.
std::optional<CertificateOutcome> RegisterWindow::certificateFor(
    const RunSummary &run, CertificateAction action, const IssueDetails &details)
{
    const CertificateOutcome outcome = certificateOf(m_databasePath, registerOfRecords(), run,
        action, details, RunContext::ofThisProgram().login);
    if (!outcome.certificate) {
        tell(tr("Certificate"), outcome.refusal);
        return std::nullopt;
    }
    if (outcome.issuedNow)
        reload();
    return outcome;
}

void RegisterWindow::saveCertificate(const CertificateOutcome &outcome)
{
    saveOutput(tr("Save Certificate"), outcome.certificate->number() + QStringLiteral(".pdf"),
        tr("PDF files (*.pdf)"), outcome.pdf);
}

void RegisterWindow::on_sensorPB_certificate_clicked()
{
    const std::optional<RunSummary> run = chosenRun();
    if (!run)
        return;
    std::optional<CertificateOutcome> shown = certificateFor(*run, CertificateAction::Show, {});
    if (!shown)
        return;
    // An issued certificate is saved as it was issued; a draft is first offered for approval.
    if (shown->certificate->isDraft()) {
        IssueDialog dialog(*shown->certificate, false, this);
        const int choice = dialog.exec();
        if (choice == IssueDialog::Approve)
            shown = certificateFor(*run, CertificateAction::Approve, dialog.details());
        else if (choice == IssueDialog::Draft)
            shown = certificateFor(*run, CertificateAction::Show, dialog.details());
        else
            return;
    }
    if (shown)
        saveCertificate(*shown);
}

void RegisterWindow::on_sensorPB_amend_clicked()
{
    const std::optional<RunSummary> run = chosenRun();
    if (!run)
        return;
    const std::optional<CertificateOutcome> issued
        = certificateFor(*run, CertificateAction::Show, {});
    if (!issued)
        return;
    if (issued->certificate->isDraft()) {
        tell(tr("Certificate"),
            tr("No certificate of this run is issued yet: it is issued with "
               "an approval, not amended."));
        return;
    }
    IssueDialog dialog(*issued->certificate, true, this);
    if (dialog.exec() != IssueDialog::Approve)
        return;
    if (const std::optional<CertificateOutcome> amended
        = certificateFor(*run, CertificateAction::Amend, dialog.details()))
        saveCertificate(*amended);
}

void RegisterWindow::on_sensorPB_print_clicked()
{
    const std::optional<RunSummary> run = chosenRun();
    const std::optional<CertificateOutcome> shown
        = run ? certificateFor(*run, CertificateAction::Show, {}) : std::nullopt;
    if (!shown)
        return;
    QPrinter printer(QPrinter::HighResolution);
    setCertificatePaper(printer);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QPainter painter;
    if (!painter.begin(&printer)) {
        tell(tr("Certificate"), tr("The printer could not be started."));
        return;
    }
    drawCertificate(painter, printer, *shown->certificate);
}

void RegisterWindow::on_sensorPB_customer_clicked()
{
    if (m_sensorSerial.isEmpty())
        return;
    const Customer customer = registerOfRecords().lab().customerOf(m_sensorSerial);
    editValues(tr("Customer"),
        tr("The customer of sensor %1, as its certificates name it.")
            .arg(QString::fromUtf8(m_sensorSerial)),
        { { QStringLiteral("name"), customer.name },
            { QStringLiteral("address"), customer.address.join(QStringLiteral("\\n")) } },
        customerSettingNames(), EventKind::customer, m_sensorSerial);
}

void RegisterWindow::on_fixturesPB_reference_clicked()
{
    const QModelIndex current = ui->fixturesTV_list->currentIndex();
    if (!current.isValid())
        return;
    const QByteArray serial = m_fixtures.fixtureAt(current.row()).serial;
    const FixtureReference reference = registerOfRecords().lab().fixtureAt(serial);
    const auto number = [](const std::optional<double> &value) {
        return value ? QString::number(*value) : QString();
    };
    const auto day = [](const std::optional<QDate> &value) {
        return value ? value->toString(Qt::ISODate) : QString();
    };
    QList<std::pair<QString, QString>> values { { QStringLiteral("certificate-number"),
                                                    reference.certificateNumber },
        { QStringLiteral("laboratory"), reference.laboratory },
        { QStringLiteral("calibrated"), day(reference.calibrated) },
        { QStringLiteral("due"), day(reference.due) } };
    for (int step = 1; step <= 5; ++step)
        values.append({ QStringLiteral("u%1").arg(step),
            number(reference.expandedUncertainty[size_t(step - 1)]) });
    values += { { QStringLiteral("u-high"), number(reference.highReferenceUncertainty) },
        { QStringLiteral("k"), number(reference.coverageFactor) } };
    editValues(tr("Reference data"),
        tr("The own calibration of fixture %1, from its calibration certificate.")
            .arg(QString::fromUtf8(serial)),
        values, fixtureSettingNames(), EventKind::fixtureSetting, serial);
}

// Edits named values and records each change as an event.
template <typename Subject>
void RegisterWindow::editValues(const QString &title, const QString &about,
    const QList<std::pair<QString, QString>> &current, const QList<NamedSetting<Subject>> &names,
    const char *kind, const QByteArray &subject)
{
    QList<ValuesDialog::Value> values;
    for (const auto &[name, value] : current) {
        QString meaning;
        for (const NamedSetting<Subject> &named : names) {
            if (name == QLatin1String(named.name))
                meaning = QCoreApplication::translate("Settings", named.meaning);
        }
        values.append({ name, meaning, value });
    }
    ValuesDialog dialog(
        title, about, values,
        [&names](const QString &name, const QString &value) {
            Subject scratch;
            return applySetting(names, scratch, name, value);
        },
        this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    recordChanges(kind, subject, dialog.changed());
}

void RegisterWindow::recordChanges(
    const char *kind, const QByteArray &subject, const QList<std::pair<QString, QString>> &changes)
{
    if (changes.isEmpty())
        return;
    QList<RecordEvent> events;
    const QString account = RunContext::ofThisProgram().login;
    for (const auto &[name, value] : changes)
        events.append(settingEvent(kind, subject, name, value, account));
    QString error;
    if (!recordEvents(m_databasePath, events, &error, RecordsDatabase::Creation::CreateIfMissing)) {
        tell(tr("Calibration Records"), tr("The change could not be recorded: %1").arg(error));
        return;
    }
    reload();
}

// Read when the tab is first looked at, not at the start, which waits for the sensors alone.
void RegisterWindow::showFixtures()
{
    QString error;
    m_fixtures.setFixtures(registerOfRecords().fixtures(&error), QDate::currentDate(), m_settings);
}

// The runs of the fixture selected, or of the reference standard named instead, in the period.
void RegisterWindow::showFixtureRuns()
{
    const QString reference = ui->fixturesLE_reference->text().trimmed();
    const QModelIndex current = ui->fixturesTV_list->currentIndex();
    if (reference.isEmpty() && !current.isValid())
        return;
    QString error;
    const QDate from = ui->fixturesDE_since->date();
    const QDate until = ui->fixturesDE_until->date();
    m_recalledReference = reference;
    m_recalledFixture
        = reference.isEmpty() ? m_fixtures.fixtureAt(current.row()).serial : QByteArray();
    m_fixtureRuns.setRuns(reference.isEmpty()
            ? registerOfRecords().recall(m_recalledFixture, from, until, &error)
            : registerOfRecords().recallOfReference(reference, from, until, &error));
    QStringList sensors;
    for (const QByteArray &sensor : m_fixtureRuns.sensors())
        sensors.append(QString::fromUtf8(sensor));
    const QString checked = reference.isEmpty()
        ? tr("Sensors checked with fixture %1 from %2 until %3: %4 (%5)")
              .arg(QString::fromUtf8(m_recalledFixture))
        : tr("Sensors checked under reference standard %1 from %2 until %3: %4 (%5)")
              .arg(reference);
    ui->fixturesLBL_sensors->setFullText(
        checked.arg(from.toString(Qt::ISODate), until.toString(Qt::ISODate))
            .arg(sensors.size())
            .arg(sensors.join(QStringLiteral(", "))));
}

// A fixture picked is recalled on its own again.
void RegisterWindow::showPickedFixtureRuns()
{
    ui->fixturesLE_reference->clear();
    showFixtureRuns();
}

void RegisterWindow::on_fixturesLE_reference_editingFinished()
{
    showFixtureRuns();
}

void RegisterWindow::on_fixturesDE_since_dateChanged(const QDate &)
{
    showFixtureRuns();
}

void RegisterWindow::on_fixturesDE_until_dateChanged(const QDate &)
{
    showFixtureRuns();
}

// "fixture_1047_recall_2025-12-08_2026-12-08" (or "reference_…") and the extension.
QString RegisterWindow::recallFileName(const QString &extension) const
{
    return QStringLiteral("%1_%2_recall_%3_%4.%5")
        .arg(
            m_recalledReference.isEmpty() ? QStringLiteral("fixture") : QStringLiteral("reference"),
            fileNamePart(m_recalledReference.isEmpty() ? QString::fromUtf8(m_recalledFixture)
                                                       : m_recalledReference),
            ui->fixturesDE_since->date().toString(Qt::ISODate),
            ui->fixturesDE_until->date().toString(Qt::ISODate), extension);
}

void RegisterWindow::on_fixturesPB_export_clicked()
{
    if (!m_recalledFixture.isEmpty() || !m_recalledReference.isEmpty())
        saveCsv(recallFileName(QStringLiteral("csv")), recallCsv(m_fixtureRuns.runs()));
}

void RegisterWindow::on_fixturesPB_pdf_clicked()
{
    if (m_recalledFixture.isEmpty() && m_recalledReference.isEmpty())
        return;
    saveOutput(tr("Recall list"), recallFileName(QStringLiteral("pdf")), tr("PDF files (*.pdf)"),
        recallPdf({ m_recalledFixture, m_recalledReference, ui->fixturesDE_since->date(),
            ui->fixturesDE_until->date(), registerOfRecords().lab().settingsAt().laboratoryName,
            QDateTime::currentDateTime(), m_fixtureRuns.runs() }));
}

void RegisterWindow::on_fixturesTV_runs_activated(const QModelIndex &index)
{
    const RecalledRun &recalled
        = m_fixtureRuns.runs().at(m_fixtureRunsView.mapToSource(index).row());
    showSensor(recalled.made.sensorSerial);
    selectRun(recalled.made.run);
}

// The same check as cvu-records verify, with its words. It reads every event, which takes
// seconds on a big lab's records: it runs on a thread of its own while the window shows how far
// it has got, and Cancel stops it.
void RegisterWindow::on_actionVerify_triggered()
{
    QProgressDialog progress(m_server.isEmpty()
            ? tr("Checking every event of the records...")
            : tr("Checking every event of the records, then comparing them with the lab's "
                 "server..."),
        tr("Cancel"), 0, progressSteps, this);
    progress.setWindowTitle(tr("Verify records"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoReset(false);
    std::atomic<bool> stopped = false;
    connect(&progress, &QProgressDialog::canceled, this, [&stopped] { stopped = true; });
    QString said;
    int outcome = 0;
    const auto told = [&progress, &stopped](qint64 done, qint64 total) {
        const int step = total > 0 ? int(done * progressSteps / total) : 0;
        QMetaObject::invokeMethod(
            &progress, [&progress, step] { progress.setValue(step); }, Qt::QueuedConnection);
        return !stopped;
    };
    const std::unique_ptr<QThread> worker(
        QThread::create([&said, &outcome, &told, path = m_databasePath, server = m_server] {
            QTextStream out(&said);
            outcome = RecordsCommand::verify(path, server, out, out, told);
        }));
    QEventLoop waiting;
    connect(worker.get(), &QThread::finished, &waiting, &QEventLoop::quit);
    progress.show();
    worker->start();
    waiting.exec();
    worker->wait();
    progress.close();
    QMessageBox box(outcome == 0 ? QMessageBox::Information : QMessageBox::Warning,
        tr("Verify records"), said.trimmed(), QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void RegisterWindow::on_actionAuditTrail_triggered()
{
    const QModelIndex current = ui->sensorTV_runs->currentIndex();
    if (ui->registerTW_views->currentWidget() != ui->sensorTab || !current.isValid()) {
        tell(tr("Audit trail"), tr("Select a run in the Sensor view first."));
        return;
    }
    const RunSummary run = m_runs.runAt(current.row());
    QString error;
    const TextTable trail = auditTrail(registerOfRecords().events(run.run, &error));
    if (!error.isEmpty()) {
        tell(tr("Audit trail"), error);
        return;
    }
    showTable(tr("Audit trail"),
        tr("Run %1 of sensor %2, begun %3 by %4 (%5) on %6")
            .arg(run.run.toString(QUuid::WithoutBraces), run.sensorSerial, dateText(run.started),
                run.technician, run.account, run.computer),
        trail,
        QStringLiteral("run_%1_audit_trail.csv").arg(run.run.toString(QUuid::WithoutBraces)));
}

void RegisterWindow::on_actionCertificates_triggered()
{
    QString error;
    const TextTable issued = certificatesIssued(registerOfRecords(), &error);
    if (!error.isEmpty()) {
        tell(tr("Certificates issued"), error);
        return;
    }
    showTable(tr("Certificates issued"),
        tr("Every certificate issued from these records, each revision on a line of its own"),
        issued, QStringLiteral("certificates_issued.csv"));
}

void RegisterWindow::on_actionSettingsHistory_triggered()
{
    showTable(tr("Settings history"),
        tr("Every change of the lab's settings, the fixtures' reference data and the customers"),
        settingsHistory(registerOfRecords().lab()), QStringLiteral("settings_history.csv"));
}

// One of the auditor's lists, the rows it shows exported under the name suggested.
void RegisterWindow::showTable(const QString &title, const QString &about, const TextTable &table,
    const QString &suggestedName)
{
    TableDialog dialog(title, about, table, this);
    connect(&dialog, &TableDialog::exportAsked, this,
        [this, suggestedName](const QByteArray &csv) { saveCsv(suggestedName, csv); });
    dialog.exec();
}

void RegisterWindow::on_actionSettings_triggered()
{
    SettingsDialog dialog(registerOfRecords().lab().settingsAt(), m_config, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString server = m_config.server;
    m_config = dialog.config();
    saveRegisterConfig(m_config);
    recordChanges(EventKind::setting, {}, dialog.changedSettings());
    if (m_config.server != server)
        useServer(m_config.server);
    else
        reload();
}

void RegisterWindow::on_actionQuit_triggered()
{
    close();
}

bool RegisterWindow::saveCsv(const QString &suggestedName, const QByteArray &csv)
{
    return saveOutput(tr("Export"), suggestedName, tr("CSV files (*.csv)"), csv);
}

// Written whole where the user chooses, never over the records; a failure is said.
bool RegisterWindow::saveOutput(const QString &title, const QString &suggestedName,
    const QString &filter, const QByteArray &bytes)
{
    const QString path
        = QFileDialog::getSaveFileName(this, title, documentsPath(suggestedName), filter);
    if (path.isEmpty() || refusedAsRecords(path))
        return false;
    QString error;
    if (writeFileWhole(path, bytes, &error))
        return true;
    tell(title, tr("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), error));
    return false;
}

// An output is never written over the records it is made from.
bool RegisterWindow::refusedAsRecords(const QString &path)
{
    if (!RecordsDatabase::isRecordsFile(path, m_databasePath))
        return false;
    tell(tr("Export"),
        tr("%1 is the records database or one of its files: choose another file to write.")
            .arg(QDir::toNativeSeparators(path)));
    return true;
}

void RegisterWindow::tell(const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
