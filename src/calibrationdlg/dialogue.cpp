// The reply-driven dialogue: writing commands, framing replies, the response timer, and
// handing each complete reply to the handler of its state's group.

#include "calibrationdlg.h"
#include "logging.h"
#include "responsetick.h"
#include "states.h"

#include <QTimer>

void CalibrationDlg::writeCommand(const QByteArray &command)
{
    if (!m_port || !m_port->isOpen())
        return;
    m_port->write(command);
    // Out on the line now, not after the dialog has repainted: the fixture is waiting.
    if (auto *serial = qobject_cast<QSerialPort *>(m_port))
        serial->flush();
}

void CalibrationDlg::startResponseTimer()
{
    m_respTimer->start(responseTick());
}

void CalibrationDlg::resend(const char *command)
{
    StopTimer();
    setStatus(tr("Resend command"));
    m_waitCount = replyTicks;
    startResponseTimer();
    m_rxBuffer.clear();
    writeCommand(command);
}

void CalibrationDlg::advance(int state, const char *command)
{
    m_rxBuffer.clear();
    m_state = state;
    m_waitCount = replyTicks;
    writeCommand(command);
    startResponseTimer();
}

void CalibrationDlg::requestMeasurement(int noticeState, const QByteArray &command)
{
    m_waitCount = measurementTicks;
    m_rxBuffer.clear();
    startResponseTimer();
    m_state = noticeState;
    m_measurementCommand = command;
    writeCommand(command);
}

void CalibrationDlg::updateTimer()
{
    if (portVanished()) {
        fixtureLost();
        return;
    }
    if (m_waitCount != 0) {
        --m_waitCount;
        return;
    }
    setBusy(false);
    StopTimer();
    if (!m_saving)
        return;
    m_saving = false;
    if (m_state == State::saveConfirmation) {
        saveNotConfirmed();
        return;
    }
    ++m_state;
    sendParameters(m_state);
    qCDebug(lcDialogue) << "SAVE" << m_state;
}

void CalibrationDlg::onReadyRead()
{
    if (!m_port || m_port->bytesAvailable() == 0)
        return;
    // Between runs the fixture's bytes wait in the port; they are read with the next reply.
    if (!m_respTimer->isActive())
        return;
    m_rxBuffer.append(m_port->readAll());
    if (m_rxBuffer.size() > maxReplyBytes) {
        dropOversizedReply();
        return;
    }
    if (!m_rxBuffer.contains(Reply::lineEnd))
        return;
    dispatchReply();
}

void CalibrationDlg::dropOversizedReply()
{
    qCDebug(lcDialogue) << "dropping" << m_rxBuffer.size() << "bytes without a reply";
    m_rxBuffer.clear();
    if (const char *command = resendCommandFor(m_state))
        resend(command);
}

void CalibrationDlg::dispatchReply()
{
    if (State::isIdentification(m_state))
        handleIdentification();
    else if (State::isRawModeSwitch(m_state))
        handleRawMode();
    else if (State::isMeasurement(m_state))
        handleMeasurement();
    else if (m_state == State::saveConfirmation)
        handleSaveConfirmation();
}

void CalibrationDlg::handleRawMode()
{
    const bool wantOn = m_state == State::rawModeOn;
    if (!m_rxBuffer.contains(wantOn ? Reply::rawModeOn : Reply::rawModeOff)) {
        // The command toggles the mode, so asking again reaches the wanted one.
        resend(Command::rawModeToggle);
        return;
    }
    StopTimer();
    if (wantOn) {
        setStatus(tr("Raw Mode is now ON - Calibration Process initializing"));
        startCalibrationRecord();
        requestMeasurement(State::lowSettleNotice, Command::lowRawReading());
    } else {
        setStatus(tr("Raw Mode is now OFF - Validation Process initializing"));
        startValidationRecord();
        requestMeasurement(State::settleNotice, Command::validationReading(1));
    }
}

// The buffer holds every byte since the measurement command. Nothing is dropped once the notice
// has come: what followed it in the same read may be the reading, or its first part.
void CalibrationDlg::handleMeasurement()
{
    const MeasurementReply reply = readMeasurementReply(m_rxBuffer, m_measurementCommand);
    if (State::awaitsNotice(m_state)) {
        if (!reply.noticeArrived)
            return;
        m_state = State::readingAfter(m_state);
    }
    if (!reply.readingLine)
        return;
    StopTimer();
    if (State::isValidation(m_state))
        handleValidationReading(*reply.readingLine);
    else
        handleCalibrationSample(*reply.readingLine);
}
