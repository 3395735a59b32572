#include "session.h"

#include "clocks.h"
#include "offeredports.h"

#include <QMessageBox>
#include <QStringList>

namespace {
// Every step here takes well under a second. One that has not ended by then has lost a reply,
// and would sit out the dialog's own time-out of up to 16 s for nothing.
constexpr std::chrono::seconds giveUpAfter { 5 };
constexpr std::chrono::milliseconds personPause { 30 };
// Four save steps three one-second ticks apart, and a validation.
constexpr std::chrono::seconds storeRunLimit { 30 };

void leaveSensorAsItIs(QWidget *modal)
{
    auto *box = qobject_cast<QMessageBox *>(modal);
    for (const auto answer : { QMessageBox::No, QMessageBox::Cancel, QMessageBox::Ok }) {
        if (box && BoxAnswerer::press(box, answer))
            return;
    }
    BoxAnswerer::rejectOrClose(modal);
}

bool isMessageBox(QWidget *shown)
{
    return qobject_cast<QMessageBox *>(shown) != nullptr;
}
}

BenchTechnician::BenchTechnician(const QString &portPath)
    : m_dialog(std::make_unique<CalibrationDlg>(nullptr, offeredPorts(QStringList { portPath })))
    , m_technician(m_dialog.get())
{
    m_answerer.setFallback(leaveSensorAsItIs);
    m_dialog->show();
    runEventLoopFor(personPause);
}

std::optional<qint64> BenchTechnician::identify()
{
    return pressAndAwait("calibrationPB_Connect",
        [](QWidget *shown) { return shown->objectName() == QLatin1String("Validate_RB"); });
}

std::optional<qint64> BenchTechnician::validate()
{
    choose("Validate_RB");
    return pressAndAwait("calibrationPB_Connect", isMessageBox);
}

std::optional<qint64> BenchTechnician::calibrateToStoreQuestion()
{
    choose("Calibrate_RB");
    return pressAndAwait("calibrationPB_Connect", isMessageBox);
}

bool BenchTechnician::calibrateAndStore()
{
    m_answerer.pressButton(QMessageBox::Yes, nullptr,
        BoxAnswerer::offering(QStringLiteral("Important Information"), QMessageBox::Yes));
    m_answerer.pressButton(QMessageBox::Cancel, nullptr,
        BoxAnswerer::offering(QStringLiteral("User Input Necessary"), QMessageBox::Cancel));
    choose("Calibrate_RB");
    m_technician.pressConnect();
    return waitUntil(
        [this] { return m_answerer.pending() == 0 && m_technician.runEnabled(); }, storeRunLimit);
}

QString BenchTechnician::fieldText(const char *objectName) const
{
    return m_technician.field(objectName)->text();
}

std::optional<qint64> BenchTechnician::pressAndAwait(
    const char *buttonName, std::function<bool(QWidget *)> awaited)
{
    const qint64 pressedAtNs = monotonicNs();
    const std::optional<qint64> shownAtNs
        = m_technician.pressAndAwaitShown(buttonName, std::move(awaited), giveUpAfter);
    runEventLoopFor(personPause);
    if (!shownAtNs)
        return std::nullopt;
    return *shownAtNs - pressedAtNs;
}

void BenchTechnician::choose(const char *modeButtonName)
{
    m_technician.press(modeButtonName);
    runEventLoopFor(personPause);
}

SimulatorOptions answeringAtOnce()
{
    SimulatorOptions options;
    options.replyDelayMs = 0;
    return options;
}

SimulatorOptions readingAtOnce()
{
    SimulatorOptions options;
    options.replyDelayMs = 0;
    options.measureDelayMs = 0;
    return options;
}

bool validationReadCorrectly(const BenchTechnician &driver)
{
    const char *const stepFields[]
        = { "calLE_Step1", "calLE_Step2", "calLE_Step3", "calLE_Step4", "calLE_Step5" };
    for (size_t step = 0; step < SensorModel::stepReferences.size(); ++step) {
        const QByteArray expected = SensorModel::formatReading(SensorModel::stepReferences[step]);
        if (driver.fieldText(stepFields[step]) != QLatin1String(expected))
            return false;
    }
    return true;
}

bool calibrationReadCorrectly(const BenchTechnician &driver)
{
    return driver.fieldText("calLE_Step1") == QString::number(SensorModel::defaultRawLow)
        && driver.fieldText("calLE_Step2") == QString::number(SensorModel::defaultRawHigh);
}
