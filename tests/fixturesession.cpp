#include "fixturesession.h"

#include "responsetick.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

FixtureSession::FixtureSession(const SimulatorOptions &options)
    : simulator(options)
{
    QString error;
    if (!simulator.start(&error))
        qFatal("cannot start the fixture simulator: %s", qPrintable(error));
    const QString path = simulator.portPath();
    dialog = std::make_unique<CalibrationDlg>(nullptr,
        PortAccess { [path] {
                        return QList<PortInfo> { { path, QStringLiteral("FTDIBUS") } };
                    },
            openSerialPort });
    dialog->show();
}

QString FixtureSession::status() const
{
    return widget<QLabel>("infobar_status")->text();
}

void FixtureSession::pressConnect()
{
    QTest::mouseClick(connectButton(), Qt::LeftButton);
}

void FixtureSession::pressClose()
{
    QTest::mouseClick(widget<QPushButton>("CalibrationPB_Close"), Qt::LeftButton);
}

bool FixtureSession::identify()
{
    pressConnect();
    return QTest::qWaitFor(
        [this] { return connectButton()->text() == QLatin1String("Continue"); }, 10000);
}

void FixtureSession::startValidation()
{
    QTest::mouseClick(widget<QRadioButton>("Validate_RB"), Qt::LeftButton);
    pressConnect();
}

void FixtureSession::startCalibration()
{
    QTest::mouseClick(widget<QRadioButton>("Calibrate_RB"), Qt::LeftButton);
    pressConnect();
}

bool FixtureSession::waitForStatus(const QString &text, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return status() == text; }, timeoutMs);
}

bool FixtureSession::waitForCommandCount(int count, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return simulator.commands().size() >= count; }, timeoutMs);
}

bool FixtureSession::waitIdle(int timeoutMs) const
{
    return QTest::qWaitFor([] { return QApplication::overrideCursor() == nullptr; }, timeoutMs);
}

bool FixtureSession::runEnabled() const
{
    return connectButton()->isEnabled() && widget<QRadioButton>("Validate_RB")->isEnabled()
        && widget<QRadioButton>("Calibrate_RB")->isEnabled();
}

QColor FixtureSession::baseColour(const QLineEdit *field)
{
    return field->palette().color(QPalette::Active, QPalette::Base);
}

QByteArray FixtureSession::identificationBytes()
{
    return "rs\rTO\rsn\rvr\rcd\rin\riv\ric\rmc\rbc\r";
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
