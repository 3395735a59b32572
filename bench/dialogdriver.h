#ifndef DIALOGDRIVER_H
#define DIALOGDRIVER_H

#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class CalibrationDlg;
class QAbstractButton;
class QWidget;

// Plays the technician at the real calibration dialog, which talks to the fixture at portPath:
// presses Connect and Continue and answers each closing message box with the answer that leaves
// the sensor as it is. Each step gives how long the dialog took from the press until what the
// technician waits for appeared, or nothing if it never did. Between steps the driver pauses as a
// person would, so the dialog's repainting after one step does not fall into the next.
class DialogDriver : public QObject
{
    Q_OBJECT

public:
    explicit DialogDriver(const QString &portPath);
    ~DialogDriver() override;

    // Connect, until the choice of Validation or Calibration is shown.
    std::optional<qint64> identify();
    // Validation, then Continue, until the result box is shown.
    std::optional<qint64> validate();
    // Calibration, then Continue, until the question whether to store the constants is shown.
    std::optional<qint64> calibrateToStoreQuestion();
    // Connect, without waiting for anything.
    void pressConnect();

    QString fieldText(const char *objectName) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using Awaited = std::function<bool(QWidget *shown)>;

    std::optional<qint64> pressAndAwait(const char *buttonName, Awaited awaited);
    void choose(const char *modeButtonName);
    QAbstractButton *button(const char *objectName) const;

    std::unique_ptr<CalibrationDlg> m_dialog;
    Awaited m_awaited;
    qint64 m_appearedAtNs = 0;
    QEventLoop m_waiting;
    QTimer m_giveUp;
};

// Lets the event loop run for a while with nothing polling it.
void runEventLoopFor(std::chrono::milliseconds duration);

#endif
