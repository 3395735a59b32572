#include "fixturesession.h"

#include "offeredports.h"
#include "responsetick.h"

#include <QStandardPaths>

FixtureSession::FixtureSession(const SimulatorOptions &options)
    : simulator(options)
{
    QString error;
    if (!simulator.start(&error))
        qFatal("cannot start the fixture simulator: %s", qPrintable(error));
    listedPorts = QStringList { simulator.portPath() };
    dialog
        = std::make_unique<CalibrationDlg>(nullptr, offeredPorts([this] { return listedPorts; }));
    setDialog(dialog.get());
    dialog->show();
    QObject::connect(&simulator, &FixtureSimulator::commandReceived,
        [this] { statusAtCommand.append(status()); });
}

FixtureSession::~FixtureSession() = default;

bool FixtureSession::waitForCommandCount(int count, std::chrono::milliseconds timeout) const
{
    return waitUntil([&] { return simulator.commands().size() >= count; }, timeout);
}

SimulatorOptions calibratableSensor()
{
    SimulatorOptions options;
    options.lowSamples = { 100 };
    options.highSamples = { 1100 };
    return options;
}

void useTestSettings()
{
    setResponseTickForTesting(std::chrono::milliseconds(testTickMs));
    QStandardPaths::setTestModeEnabled(true);
}

void useLongTick()
{
    setResponseTickForTesting(std::chrono::hours(1));
}
