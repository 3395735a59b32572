#include "technician.h"

#include "calibrationdlg.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

namespace {
constexpr std::chrono::milliseconds lookInterval { 2 };

qint64 steadyNs()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

// Notes the moment a widget the caller waits for is shown, and ends the wait there.
class ShownWatch : public QObject
{
public:
    ShownWatch(std::function<bool(QWidget *)> awaited, QEventLoop &loop)
        : m_awaited(std::move(awaited))
        , m_loop(loop)
    {
        qApp->installEventFilter(this);
    }
    ~ShownWatch() override { qApp->removeEventFilter(this); }

    qint64 shownAtNs = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (shownAtNs == 0 && event->type() == QEvent::Show && watched->isWidgetType()
            && m_awaited(static_cast<QWidget *>(watched))) {
            shownAtNs = steadyNs();
            m_loop.quit();
        }
        return false;
    }

private:
    std::function<bool(QWidget *)> m_awaited;
    QEventLoop &m_loop;
};
}

Technician::Technician(CalibrationDlg *dialog)
    : m_dialog(dialog)
{ }

CalibrationDlg *Technician::dialog() const
{
    if (m_dialog)
        return m_dialog;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (auto *calibration = qobject_cast<CalibrationDlg *>(window))
            return calibration;
    }
    return nullptr;
}

QLineEdit *Technician::stepField(int step) const
{
    return field(qPrintable(QStringLiteral("calLE_Step%1").arg(step)));
}

QString Technician::status() const
{
    const auto *label = widget<QLabel>("infobar_status");
    return label ? label->text() : QString();
}

bool Technician::press(const char *objectName)
{
    CalibrationDlg *shown = dialog();
    auto *button = shown ? findChild<QAbstractButton>(shown, objectName) : nullptr;
    QWidget *modal = QApplication::activeModalWidget();
    if (!button || !button->isEnabled() || !button->isVisibleTo(shown) || (modal && modal != shown))
        return false;
    button->click();
    return true;
}

void Technician::choosePort(const QString &portName)
{
    auto *ports = widget<QComboBox>("calibrationDlgCB_comport");
    const int index = ports->findText(portName);
    ports->setCurrentIndex(index);
    emit ports->activated(index);
}

bool Technician::identify(std::chrono::milliseconds timeout)
{
    pressConnect();
    return waitUntil([this] { return offersContinue(); }, timeout);
}

void Technician::startValidation()
{
    press("Validate_RB");
    pressConnect();
}

void Technician::startCalibration()
{
    press("Calibrate_RB");
    pressConnect();
}

std::optional<qint64> Technician::pressAndAwaitShown(const char *objectName,
    std::function<bool(QWidget *shown)> awaited, std::chrono::milliseconds timeout)
{
    QEventLoop waiting;
    ShownWatch watch(std::move(awaited), waiting);
    if (!press(objectName))
        return std::nullopt;
    if (watch.shownAtNs == 0) {
        QTimer::singleShot(timeout, &waiting, &QEventLoop::quit);
        waiting.exec();
    }
    if (watch.shownAtNs == 0)
        return std::nullopt;
    return watch.shownAtNs;
}

bool Technician::waitIdle(std::chrono::milliseconds timeout) const
{
    return waitUntil([] { return QApplication::overrideCursor() == nullptr; }, timeout);
}

bool Technician::runEnabled() const
{
    return connectButton()->isEnabled() && widget<QRadioButton>("Validate_RB")->isEnabled()
        && widget<QRadioButton>("Calibrate_RB")->isEnabled();
}

bool Technician::offersContinue() const
{
    const QPushButton *button = connectButton();
    return button && button->text() == QCoreApplication::translate("CalibrationDlg", "Continue");
}

QTimer *Technician::responseTimer() const
{
    return widget<QTimer>("responseTimer");
}

bool Technician::waitingForReply() const
{
    return responseTimer()->isActive();
}

void Technician::tick(int count) const
{
    QTimer *timer = responseTimer();
    for (int i = 0; i < count && timer->isActive(); ++i)
        QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
}

bool Technician::settleRecords(std::chrono::milliseconds timeout) const
{
    auto *records = widget<RecordsLog>("records");
    const bool written = !records || records->waitUntilWritten(timeout);
    QCoreApplication::sendPostedEvents();
    return written;
}

// An event loop that looks at the condition every few milliseconds and sleeps never, so what
// is waited for runs as it would with a person watching, and a benchmark's probe sees no gap
// of the wait's own making.
bool waitUntil(const std::function<bool()> &condition, std::chrono::milliseconds timeout)
{
    if (condition())
        return true;
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (condition() || clock.hasExpired(timeout.count()))
            loop.quit();
    });
    look.start(lookInterval);
    loop.exec();
    return condition();
}

void runEventLoopFor(std::chrono::milliseconds duration)
{
    QEventLoop loop;
    QTimer::singleShot(duration, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}
