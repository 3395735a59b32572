#ifndef FIXTURESESSION_H
#define FIXTURESESSION_H

#include "calibrationdlg.h"
#include "fixturesimulator.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <memory>

// The calibration dialog talking to a simulated fixture over a real pseudo-terminal, through the
// real serial-port code. The dialog is shown, not run modally, so the test drives it while its
// message boxes are answered by a ModalAnswerer.
class FixtureSession
{
public:
    explicit FixtureSession(const SimulatorOptions &options = {});

    FixtureSimulator simulator;
    std::unique_ptr<CalibrationDlg> dialog;

    template <typename T> T *widget(const char *objectName) const
    {
        return dialog->findChild<T *>(QLatin1String(objectName));
    }
    QLineEdit *field(const char *objectName) const { return widget<QLineEdit>(objectName); }
    QPushButton *connectButton() const { return widget<QPushButton>("calibrationPB_Connect"); }
    QString status() const;

    void pressConnect();
    void pressClose();
    // Connects and waits until the dialog offers Continue. False if it never did.
    bool identify();
    // Chooses Validation or Calibration as the technician would and presses Continue.
    void startValidation();
    void startCalibration();
    bool waitForStatus(const QString &text, int timeoutMs = 10000) const;
    bool waitForCommandCount(int count, int timeoutMs = 10000) const;
    bool waitIdle(int timeoutMs = 10000) const;
    // Continue and both mode switches are enabled: the technician can start another run.
    bool runEnabled() const;

    static QColor baseColour(const QLineEdit *field);
    static QByteArray identificationBytes();
};

// A sensor whose raw counts are 100 at the low reference and 1100 at the high one: its stored
// constants do not fit them, and a calibration gives MC 1.745200 and BC -171.72000.
SimulatorOptions calibratableSensor();

// Shortens the response tick for the whole test program, so timeouts and save pacing take a
// tenth of their real time, and keeps the calibration history and documents out of the user's
// own folders.
void useTestSettings();
inline constexpr int testTickMs = 100;

#endif
