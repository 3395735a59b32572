#ifndef CALIBRATIONDLG_H
#define CALIBRATIONDLG_H

#include "portaccess.h"
#include "recordslog.h"
#include "runrecord.h"

#include <QDialog>
#include <QMessageBox>
#include <QPalette>
#include <QSerialPort>

class QIODevice;
class QLineEdit;
class QTimer;
struct IdentificationStep;

namespace Ui {
class CalibrationDlg;
}

// The window in which the fixture and the sensor are identified, validated and calibrated. It is
// driven by the fixture's replies: each complete reply is handled by the state `m_state` names.
// Each reply fills the run's record `m_run`; the fields show it. The implementation is split by
// concern over the files of this folder.
class CalibrationDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CalibrationDlg(
        QWidget *parent = nullptr, const PortAccess &ports = systemPortAccess());
    ~CalibrationDlg() override;

private slots:
    void on_CalibrationPB_Close_clicked();
    void on_calibrationDlg_Print_clicked();
    void updateTimer();
    void on_calibrationPB_Connect_clicked();
    void onReadyRead();
    void on_calibrationDlgCB_comport_activated(int index);
    void on_Validate_RB_clicked();
    void on_Calibrate_RB_clicked();

private:
    // Views of the values area (construction.cpp)
    void StopTimer();
    void hideValues();
    void showValidationValues();
    void showCalibrationValues();
    void showNewConstants();
    QLineEdit *stepField(int step) const;
    RunRecord shownRun() const;

    // Ports and connection (connection.cpp)
    void fillPortList();
    void refreshPortList();
    void sayNoFixtureFound();
    void explainNoFixture();
    QStringList offerFtdiPorts();
    void findFixtureAgain();
    bool chosenPortIsGone() const;
    void connectToFixture();
    void startRun();
    void releasePort();
    void onPortError(QSerialPort::SerialPortError error);
    void fixtureLost();
    bool portVanished() const;

    // The dialogue and its timer (dialogue.cpp)
    void writeCommand(const QByteArray &command);
    void startResponseTimer();
    void resend(const char *command);
    void advance(int state, const char *command);
    void requestMeasurement(int noticeState, const QByteArray &command);
    void dispatchReply();
    void dropOversizedReply();
    void handleRawMode();
    void handleMeasurement();

    // Identification (identification.cpp)
    void handleIdentification();
    void takeIdentity(const IdentificationStep &step);
    void handleCalibrationDate();
    void checkFirmware();
    void finishIdentification();

    // Validation (validation.cpp)
    void startValidationRecord();
    void handleValidationReading(const QByteArray &readingLine);
    void setBackgroundColors(QLineEdit *field, int step);
    void askAfterValidation();
    void startCalibrationAfterFailedValidation();

    // Calibration (calibration.cpp)
    void startCalibrationRecord();
    void handleCalibrationSample(const QByteArray &readingLine);
    void askForSampleAgain(int sampleNumber);
    void computeConstants();
    void askToStoreConstants();
    void endCalibrationWithoutStoring();

    // Storing the new constants in the sensor (storing.cpp)
    void startSaveSequence();
    void sendParameters(int step);
    void handleSaveConfirmation();
    void saveNotConfirmed();

    // The report and printing (reportandprint.cpp)
    void saveReport();

    // The run's records (records.cpp)
    void record(const RecordEvent &event);
    void recordIdentification();
    void endRun(const QString &reason);
    // warned: the store question flagged the new slope as far from the present one.
    void keepRecordThenStore(bool warned);
    void onRecordCommitted(const QUuid &event, bool stored, const QString &reason);
    void recordNotKept(const QString &reason);
    void warnRecordsNotWritten(const QString &error);
    void tellAboutRecords(const QString &text);

    // Small shared pieces (construction.cpp)
    void enableNextRun();
    void setStatus(const QString &text);
    void setBusy(bool busy);
    static QMessageBox *newMessageBox(QMessageBox::Icon icon, const QString &title,
        const QString &text, QMessageBox::StandardButtons buttons, QWidget *parent = nullptr);
    int runMessageBox(QMessageBox::Icon icon, const QString &title, const QString &text,
        QMessageBox::StandardButtons buttons,
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton,
        const QString &informativeText = {});
    void showFileWarning(const QString &title, const QString &text);

    QMessageBox *m_msgBox = nullptr;
    bool m_stepFailed = false;
    bool m_saving = false;
    int m_state;
    QPalette m_greenPalette;
    QPalette m_redPalette;
    QPalette m_whitePalette;
    Ui::CalibrationDlg *ui;
    QTimer *m_respTimer;
    QIODevice *m_port = nullptr; // held exactly while it is open
    QByteArray m_rxBuffer;
    QByteArray m_measurementCommand; // the last one written, which a fixture may echo
    QString m_portName;
    int m_waitCount = 0;

    RunRecord m_run;
    bool m_runRecorded = false; // identified, so its events are recorded, until it ends
    PortAccess m_ports;
    bool m_busy = false;
    RecordsLog m_records;
    QTimer *m_recordLimit; // how long storing waits for the records to commit
    QUuid m_awaitedRecord;
    bool m_recordsWarned = false;
    int m_unreadableSamples = 0; // in a row, for the sample being taken
};

#endif
