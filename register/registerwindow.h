#ifndef REGISTERWINDOW_H
#define REGISTERWINDOW_H

#include "auditlists.h"
#include "issuing.h"
#include "recordssender.h"
#include "registerconfig.h"
#include "registermodels.h"

#include <QDateTime>
#include <QMainWindow>
#include <QSortFilterProxyModel>
#include <memory>

namespace Ui {
class RegisterWindow;
}

// The calibration register: every sensor with its due date and status, one sensor's runs and
// charts with a certificate for each passed run, and the fixtures with the runs made with
// them. It reads the records through a connection of its own, so it works while a calibration
// is running.
class RegisterWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Shows the lab's register on the server where one is set and can be reached, else the
    // records at databasePath, saying which; sends the records at databasePath to the server.
    RegisterWindow(const QString &databasePath, const QString &server, QWidget *parent = nullptr);
    ~RegisterWindow() override;

    // Reads the register again; false, and the reason shown, when the records cannot be read.
    bool reload();
    void showSensor(const QByteArray &serial);
    QString lastError() const { return m_lastError; }
    bool showsServer() const { return m_showsServer; }

private slots:
    void on_registerPB_reload_clicked();
    void on_sensorsLE_filter_textChanged(const QString &text);
    void on_sensorsCB_status_currentIndexChanged(int index);
    void on_sensorsPB_open_clicked();
    void on_sensorsTV_list_activated(const QModelIndex &index);
    void on_sensorsPB_export_clicked();
    void on_sensorTV_runs_activated(const QModelIndex &index);
    void on_sensorPB_certificate_clicked();
    void on_sensorPB_amend_clicked();
    void on_sensorPB_print_clicked();
    void on_sensorPB_customer_clicked();
    void on_sensorPB_export_clicked();
    void on_fixturesPB_reference_clicked();
    void on_fixturesDE_since_dateChanged(const QDate &date);
    void on_fixturesDE_until_dateChanged(const QDate &date);
    void on_fixturesLE_reference_editingFinished();
    void on_fixturesPB_export_clicked();
    void on_fixturesPB_pdf_clicked();
    void on_fixturesTV_runs_activated(const QModelIndex &index);
    void on_actionVerify_triggered();
    void on_actionAuditTrail_triggered();
    void on_actionCertificates_triggered();
    void on_actionSettingsHistory_triggered();
    void on_actionSettings_triggered();
    void on_actionQuit_triggered();

private:
    class Register registerOfRecords();
    bool openLocalRecords();
    void selectRun(const QUuid &run);
    void showCounts();
    void showFixtures();
    void showFixtureRuns();
    void showPickedFixtureRuns();
    void addReportButtons();
    std::optional<RunSummary> chosenRun();
    std::optional<CertificateOutcome> certificateFor(
        const RunSummary &run, CertificateAction action, const IssueDetails &details);
    void saveCertificate(const CertificateOutcome &outcome);
    template <typename Subject>
    void editValues(const QString &title, const QString &about,
        const QList<std::pair<QString, QString>> &current,
        const QList<NamedSetting<Subject>> &names, const char *kind, const QByteArray &subject);
    void recordChanges(const char *kind, const QByteArray &subject,
        const QList<std::pair<QString, QString>> &changes);
    void showTable(const QString &title, const QString &about, const TextTable &table,
        const QString &suggestedName);
    bool saveCsv(const QString &suggestedName, const QByteArray &csv);
    bool saveOutput(const QString &title, const QString &suggestedName, const QString &filter,
        const QByteArray &bytes);
    QString recallFileName(const QString &extension) const;
    bool refusedAsRecords(const QString &path);
    void tell(const QString &title, const QString &text);
    void useServer(const QString &server);
    void openSource(const QString &server);
    void showSyncStatus();

    Ui::RegisterWindow *ui;
    QString m_databasePath;
    QString m_server; // the lab's server named, whether it answers or not
    QString m_connection;
    RegisterConfig m_config;
    RegisterSettings m_settings; // as the records hold them, read at each reload
    QString m_lastError;
    SensorsModel m_sensors;
    SensorsFilter m_sensorsView;
    RunsModel m_runs;
    FixturesModel m_fixtures;
    FixtureRunsModel m_fixtureRuns;
    QSortFilterProxyModel m_fixtureRunsView;
    QByteArray m_sensorSerial; // the one the Sensor tab shows
    QByteArray m_recalledFixture; // the one whose runs the Fixtures tab lists
    QString m_recalledReference; // or the reference standard's certificate it lists them for
    bool m_showsServer = false;
    // What shows that a program wrote the local records: their log (-wal) there or gone, the file
    // grown or changed.
    struct RecordsFileState
    {
        bool log = false;
        qint64 size = 0;
        QDateTime modified;
        static RecordsFileState of(const QString &path);
        bool operator!=(const RecordsFileState &other) const
        {
            return log != other.log || size != other.size || modified != other.modified;
        }
    };
    RecordsFileState m_openedAs; // when the local records were opened
    std::unique_ptr<RecordsSender> m_sender;
};

#endif
