#ifndef FIXTURESESSION_H
#define FIXTURESESSION_H

#include "calibrationdlg.h"
#include "fixturesimulator.h"
#include "technician.h"

#include <QStringList>
#include <memory>

// The calibration dialog talking to a simulated fixture over a real pseudo-terminal, through the
// real serial-port code, with a technician at it. The dialog is shown, not run modally, so the
// caller drives it while its message boxes are answered by a BoxAnswerer.
class FixtureSession : public Technician
{
public:
    explicit FixtureSession(const SimulatorOptions &options = {});
    ~FixtureSession();

    FixtureSimulator simulator;
    // The FTDI ports the system lists, whenever the dialog asks: the simulator's at first.
    QStringList listedPorts;
    std::unique_ptr<CalibrationDlg> dialog;
    // The status text as each command reached the fixture, one for each of simulator.commands().
    QStringList statusAtCommand;

    bool waitForCommandCount(
        int count, std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    static QByteArray identificationBytes() { return "rs\rTO\rsn\rvr\rcd\rin\riv\ric\rmc\rbc\r"; }
};

// One run at the simulated bench: a validation, and where it fails and calibrate is set a
// calibration stored and validated again; with a report path, a passed validation's report is
// saved there with the sensor's serial corrected on screen. True when it ran through, its boxes
// answered as planned and its records written.
bool runAtTheBench(const SimulatorOptions &sensor, bool calibrate, const QString &report = {});

// A sensor whose raw counts are 100 at the low reference and 1100 at the high one: its stored
// constants do not fit them, and a calibration gives MC 1.745200 and BC -171.72000.
SimulatorOptions calibratableSensor();

// Shortens the response tick for the whole program, so time-outs and save pacing take a tenth
// of their real time, and keeps the calibration records and documents out of the user's own
// folders.
void useTestSettings();
// An hour-long response tick from now on: the dialogue gives up only when it is ticked by hand.
void useLongTick();
inline constexpr int testTickMs = 100;

#endif
