#include "fixturesession.h"

#include "history.h"
#include "responsetick.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

FixtureSession::FixtureSession(const SimulatorOptions &options)
    : simulator(options)
{
    QString error;
    if (!simulator.start(&error))
        qFatal("cannot start the fixture simulator: %s", qPrintable(error));
    listedPorts = QStringList { simulator.portPath() };
    dialog = std::make_unique<CalibrationDlg>(nullptr,
        PortAccess { [this] {
                        QList<PortInfo> ports;
                        for (const QString &path : std::as_const(listedPorts))
                            ports.append({ path, QStringLiteral("FTDIBUS") });
                        return ports;
                    },
            openSerialPort });
    dialog->show();
    QObject::connect(&simulator, &FixtureSimulator::commandReceived,
        [this] { statusAtCommand.append(status()); });
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

QTimer *responseTimer(const CalibrationDlg &dialog)
{
    const QList<QTimer *> timers
        = dialog.findChildren<QTimer *>(QString(), Qt::FindDirectChildrenOnly);
    if (timers.size() != 1)
        qFatal("the dialog should own exactly one timer, its response timer");
    return timers.constFirst();
}

bool FixtureSession::waitingForReply() const
{
    return responseTimer(*dialog)->isActive();
}

void FixtureSession::tick(int count) const
{
    QTimer *timer = responseTimer(*dialog);
    for (int i = 0; i < count && timer->isActive(); ++i)
        QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
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

void removeHistory()
{
    const QString folder = QFileInfo(HistoryLog::defaultFilePath()).absolutePath();
    QFile::remove(folder);
    QDir(folder).removeRecursively();
}

QList<QStringList> historyRows()
{
    QFile file(HistoryLog::defaultFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QStringList> rows;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (qsizetype line = 1; line < lines.size(); ++line) {
        const QStringList columns
            = QString::fromUtf8(lines.at(line).trimmed()).split(QLatin1Char(','));
        if (columns.size() >= 20)
            rows.append(columns);
    }
    return rows;
}

QStringList historyEvents()
{
    QStringList events;
    for (const QStringList &row : historyRows())
        events.append(row.at(HistoryColumn::event));
    return events;
}
