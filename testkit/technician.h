#ifndef TECHNICIAN_H
#define TECHNICIAN_H

#include "calibrationdlg.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>

class QTimer;

// A technician's hands and eyes at a calibration dialog: presses what a technician could press,
// reads what the dialog shows, and waits for what a technician waits for. The dialog is the one
// given, or else the calibration dialog open at the moment (one the start window runs).
class Technician
{
public:
    explicit Technician(CalibrationDlg *dialog = nullptr);

    CalibrationDlg *dialog() const;
    void setDialog(CalibrationDlg *dialog) { m_dialog = dialog; }
    template <typename T> T *widget(const char *objectName) const
    {
        CalibrationDlg *shown = dialog();
        return shown ? findChild<T>(shown, objectName) : nullptr;
    }
    QLineEdit *field(const char *objectName) const { return widget<QLineEdit>(objectName); }
    QLineEdit *stepField(int step) const;
    QPushButton *connectButton() const { return widget<QPushButton>("calibrationPB_Connect"); }
    QString status() const;

    // Only what is enabled, shown and not behind a modal window; false where it was not.
    bool press(const char *objectName);
    void choosePort(const QString &portName);
    void pressConnect() { press("calibrationPB_Connect"); }
    void pressClose() { press("CalibrationPB_Close"); }
    // Connects and waits until the dialog offers Continue. False if it never did.
    bool identify(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Chooses Validation or Calibration as the technician would and presses Continue.
    void startValidation();
    void startCalibration();

    // The moment, in nanoseconds of the steady clock, after pressing the button, that a widget
    // matching `awaited` was first shown; none within the timeout.
    std::optional<qint64> pressAndAwaitShown(const char *objectName,
        std::function<bool(QWidget *shown)> awaited, std::chrono::milliseconds timeout);

    bool waitIdle(std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    // Continue and both mode switches are enabled: the technician can start another run.
    bool runEnabled() const;
    bool offersContinue() const;
    // The dialogue is waiting for the fixture: its response timer runs.
    bool waitingForReply() const;
    // As many ticks of the response timer, at once; a stopped timer does not tick.
    void tick(int count) const;
    // Lets the records thread finish what the dialog handed it, and the dialog hear its answers.
    bool settleRecords(std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    QTimer *responseTimer() const;

    static QColor baseColour(const QLineEdit *field)
    {
        return field->palette().color(QPalette::Active, QPalette::Base);
    }

private:
    template <typename T> static T *findChild(QObject *parent, const char *objectName)
    {
        return parent->findChild<T *>(QLatin1String(objectName));
    }

    QPointer<CalibrationDlg> m_dialog;
};

// Waits, turning the event loop, until the condition holds; false when the time ran out.
bool waitUntil(const std::function<bool()> &condition, std::chrono::milliseconds timeout);
// Lets the event loop run for a while with nothing polling it.
void runEventLoopFor(std::chrono::milliseconds duration);

#endif
