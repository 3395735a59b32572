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
    // The FTDI ports the system lists, whenever the dialog asks: the simulator's at first.
    QStringList listedPorts;
    std::unique_ptr<CalibrationDlg> dialog;
    // The status text as each command reached the fixture, one for each of simulator.commands().
    QStringList statusAtCommand;

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
    bool waitForCommandCount(int count, int timeoutMs = 10000) const;
    bool waitIdle(int timeoutMs = 10000) const;
    // Continue and both mode switches are enabled: the technician can start another run.
    bool runEnabled() const;
    // The dialogue is waiting for the fixture: its response timer runs.
    bool waitingForReply() const;
    // As many ticks of the response timer, at once.
    void tick(int count) const;

    static QColor baseColour(const QLineEdit *field)
    {
        return field->palette().color(QPalette::Active, QPalette::Base);
    }
    static QByteArray identificationBytes() { return "rs\rTO\rsn\rvr\rcd\rin\riv\ric\rmc\rbc\r"; }
};

// A sensor whose raw counts are 100 at the low reference and 1100 at the high one: its stored
// constants do not fit them, and a calibration gives MC 1.745200 and BC -171.72000.
SimulatorOptions calibratableSensor();

// Shortens the response tick for the whole test program, so timeouts and save pacing take a
// tenth of their real time, and keeps the calibration history and documents out of the user's
// own folders.
void useTestSettings();
// An hour-long response tick from now on: the dialogue gives up only when the test ticks it.
void useLongTick();
inline constexpr int testTickMs = 100;

// The calibration history's lines after the header, split at commas (values in these runs hold
// none), and the event of each.
namespace HistoryColumn {
constexpr int event = 7;
constexpr int step2 = 9;
constexpr int lowAverage = 13;
constexpr int highAverage = 14;
constexpr int oldMc = 15;
constexpr int newMc = 17;
constexpr int newBc = 18;
}
QList<QStringList> historyRows();
// No calibration history from earlier tests, even where one made its folder a plain file.
void removeHistory();
QStringList historyEvents();

#endif
