#include "dialogdriver.h"

#include "calibrationdlg.h"
#include "clocks.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>

namespace {

// Every step here takes well under a second. One that has not ended by then has lost a reply,
// and would sit out the dialog's own time-out of up to 16 s for nothing.
constexpr std::chrono::seconds giveUpAfter { 5 };
constexpr std::chrono::milliseconds personPause { 30 };

void leaveSensorAsItIs(QMessageBox *box)
{
    for (const auto answer : { QMessageBox::No, QMessageBox::Cancel, QMessageBox::Ok }) {
        if (QAbstractButton *button = box->button(answer)) {
            button->click();
            return;
        }
    }
    box->reject();
}

std::function<bool(QWidget *)> named(const char *objectName)
{
    return
        [objectName](QWidget *shown) { return shown->objectName() == QLatin1String(objectName); };
}

bool isMessageBox(QWidget *shown)
{
    return qobject_cast<QMessageBox *>(shown) != nullptr;
}

PortAccess onlyPort(const QString &portPath)
{
    return { [portPath] {
                return QList<PortInfo> { { portPath, QString::fromLatin1(ftdiEnumeratorName) } };
            },
        openSerialPort };
}

}

DialogDriver::DialogDriver(const QString &portPath)
    : m_dialog(std::make_unique<CalibrationDlg>(nullptr, onlyPort(portPath)))
{
    m_giveUp.setSingleShot(true);
    connect(&m_giveUp, &QTimer::timeout, &m_waiting, &QEventLoop::quit);
    qApp->installEventFilter(this);
    m_dialog->show();
    runEventLoopFor(personPause);
}

DialogDriver::~DialogDriver()
{
    qApp->removeEventFilter(this);
}

std::optional<qint64> DialogDriver::identify()
{
    return pressAndAwait("calibrationPB_Connect", named("Validate_RB"));
}

std::optional<qint64> DialogDriver::validate()
{
    choose("Validate_RB");
    return pressAndAwait("calibrationPB_Connect", isMessageBox);
}

std::optional<qint64> DialogDriver::calibrateToStoreQuestion()
{
    choose("Calibrate_RB");
    return pressAndAwait("calibrationPB_Connect", isMessageBox);
}

void DialogDriver::pressConnect()
{
    button("calibrationPB_Connect")->click();
}

QString DialogDriver::fieldText(const char *objectName) const
{
    return m_dialog->findChild<QLineEdit *>(QLatin1String(objectName))->text();
}

bool DialogDriver::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Show || !watched->isWidgetType())
        return false;
    auto *shown = static_cast<QWidget *>(watched);
    if (m_awaited && m_awaited(shown)) {
        m_appearedAtNs = monotonicNs();
        m_awaited = nullptr;
        m_waiting.quit();
    }
    // The box runs its own event loop inside the dialog's slot; it is answered from there.
    if (auto *box = qobject_cast<QMessageBox *>(shown))
        QMetaObject::invokeMethod(
            box, [box] { leaveSensorAsItIs(box); }, Qt::QueuedConnection);
    return false;
}

std::optional<qint64> DialogDriver::pressAndAwait(const char *buttonName, Awaited awaited)
{
    m_awaited = std::move(awaited);
    m_appearedAtNs = 0;
    QAbstractButton *pressed = button(buttonName);
    const qint64 pressedAtNs = monotonicNs();
    pressed->click();
    if (m_appearedAtNs == 0) {
        m_giveUp.start(giveUpAfter);
        m_waiting.exec();
        m_giveUp.stop();
    }
    m_awaited = nullptr;
    runEventLoopFor(personPause);
    if (m_appearedAtNs == 0)
        return std::nullopt;
    return m_appearedAtNs - pressedAtNs;
}

void DialogDriver::choose(const char *modeButtonName)
{
    button(modeButtonName)->click();
    runEventLoopFor(personPause);
}

QAbstractButton *DialogDriver::button(const char *objectName) const
{
    return m_dialog->findChild<QAbstractButton *>(QLatin1String(objectName));
}

void runEventLoopFor(std::chrono::milliseconds duration)
{
    QEventLoop loop;
    QTimer::singleShot(duration, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}
