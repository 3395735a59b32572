#include "fixturesession.h"

#include "boxanswerer.h"
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

bool runAtTheBench(const SimulatorOptions &sensor, bool calibrate, const QString &report)
{
    FixtureSession session(sensor);
    BoxAnswerer answerer(std::chrono::seconds(20));
    if (calibrate) {
        answerer.pressButton(QMessageBox::Yes);
        answerer.pressButton(QMessageBox::Yes);
    }
    if (!report.isEmpty()) {
        answerer.pressButton(QMessageBox::Save);
        answerer.chooseFile(report);
    } else {
        answerer.pressButton(
            calibrate || sensor.failStep == 0 ? QMessageBox::Cancel : QMessageBox::No);
    }
    if (!session.identify())
        return false;
    if (!report.isEmpty())
        session.field("calLE_TARNEL_SN")
            ->setText(session.field("calLE_TARNEL_SN")->text().trimmed() + "-B");
    session.startValidation();
    const bool done = answerer.waitUntilAnswered(std::chrono::seconds(30)) && session.waitIdle();
    session.pressClose();
    return done && session.settleRecords() && answerer.problems().isEmpty();
}
