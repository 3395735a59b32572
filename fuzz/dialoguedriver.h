#ifndef DIALOGUEDRIVER_H
#define DIALOGUEDRIVER_H

#include "boxanswerer.h"
#include "technician.h"
#include "wirechecker.h"

#include <QByteArray>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <cstdint>
#include <memory>

class CalibrationDlg;
class FuzzInput;
class MemoryDevice;
class QIODevice;

// Where a fuzz input's own bytes take over: well-formed replies have brought the dialog there.
enum class StartPath {
    Identification, // Connect pressed, nothing answered yet
    Validation, // identified, Validation chosen and Continue pressed
    Calibration, // identified, Calibration chosen and Continue pressed
    Saving, // a calibration completed and its constants confirmed for storing
};
inline constexpr int startPathCount = 4;

// Runs one fresh calibration dialog through one fuzz input over an in-memory port: a scripted
// start reaches the chosen path, then the input decides what the fixture says and in which
// pieces, when the response timer ticks, which buttons the technician presses and how each
// message box is answered; a technician of the test kit presses and answers. A write the sensor
// would not understand stops the process at once.
class DialogueDriver : public QObject
{
public:
    explicit DialogueDriver(FuzzInput &input);
    ~DialogueDriver() override;

    void run(StartPath path);
    // Everything written to the port, over every connection, in order.
    QByteArray wire() const { return m_wire; }

private:
    QIODevice *openPort();
    void onWritten(const QByteArray &bytes);
    void endConnection();
    void stopIfFaulty() const;

    void playScript(StartPath path);
    void identify();
    void startRun(const char *choice);
    void completeCalibration();

    void act(uint8_t action);
    void feed(const QByteArray &bytes);
    void answer(QWidget *modal);
    void answerFromInput(const QPointer<QMessageBox> &box);

    FuzzInput &m_input;
    WireChecker m_checker;
    QByteArray m_wire;
    QPointer<MemoryDevice> m_port;
    std::unique_ptr<CalibrationDlg> m_dialog;
    Technician m_technician;
    BoxAnswerer m_answerer;
};

#endif
