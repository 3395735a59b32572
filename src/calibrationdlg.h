#ifndef CALIBRATIONDLG_H
#define CALIBRATIONDLG_H

#include "history.h"
#include "portaccess.h"

#include <QDialog>
#include <QMessageBox>
#include <QPalette>
#include <QSerialPort>

class QIODevice;
class QLineEdit;
class QTimer;

namespace Ui {
class CalibrationDlg;
}

// The window in which the fixture and the sensor are identified, validated and calibrated. It is
// driven by the fixture's replies: each complete reply is handled by the state `m_state` names.
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
    void StopTimer();
    void hideValues();
    void showValidationValues();
    void showCalibrationValues();
    void showNewConstants();
    void sendParameters(int step);
    void saveReport();
    void setBackgroundColors(QLineEdit *field, int step);
    void computeConstants();

    void fillPortList();
    QStringList offerFtdiPorts();
    void findFixtureAgain();
    bool chosenPortIsGone() const;
    void connectToFixture();
    void startRun();
    void releasePort();
    void onPortError(QSerialPort::SerialPortError error);
    void fixtureLost();
    bool portVanished() const;

    void dispatchReply();
    void handleIdentification();
    void handleCalibrationDate();
    void checkFirmware();
    void finishIdentification();
    void handleRawMode();
    void handleMeasurement();
    void handleValidationReading(const QByteArray &readingLine);
    void handleCalibrationSample(const QByteArray &readingLine);
    void askForSampleAgain(int sampleNumber);
    void handleSaveConfirmation();
    void dropOversizedReply();

    void writeCommand(const QByteArray &command);
    void startResponseTimer();
    void resend(const char *command);
    void advance(int state, const char *command);
    void requestMeasurement(int noticeState, const QByteArray &command);
    void askAfterValidation();
    void askToStoreConstants();
    void endCalibrationWithoutStoring();
    void startCalibrationAfterFailedValidation();
    void startSaveSequence();
    void saveNotConfirmed();
    void enableNextRun();
    void setStatus(const QString &text);
    void setBusy(bool busy);
    static QMessageBox *newMessageBox(QMessageBox::Icon icon, const QString &title,
        const QString &text, QMessageBox::StandardButtons buttons, QWidget *parent = nullptr);
    int runMessageBox(QMessageBox::Icon icon, const QString &title, const QString &text,
        QMessageBox::StandardButtons buttons);
    void showFileWarning(const QString &title, const QString &text);
    void recordHistory(HistoryEvent event, const QString &reportFile = QString());
    void warnHistoryNotWritten(const QString &error);
    QLineEdit *stepField(int step) const;

    QMessageBox *m_msgBox = nullptr;
    bool m_stepFailed = false;
    bool m_saving = false;
    int m_state;
    qint64 m_lowRaw = 0;
    qint64 m_highRaw = 0;
    double m_slope = 0;
    double m_offset = 0;
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

    PortAccess m_ports;
    bool m_busy = false;
    HistoryLog m_history;
    bool m_historyWarned = false;
    int m_unreadableSamples = 0; // in a row, for the sample being taken
};

#endif
