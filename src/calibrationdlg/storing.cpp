// Storing new constants in the sensor: MC, BC and the date, then the save command, each paced
// by the response timer; only the save command is answered.

#include "calibrationdlg.h"
#include "logging.h"
#include "responsetick.h"
#include "runevents.h"
#include "states.h"

#include <QDate>
#include <QTimer>
#include <array>

namespace {
using Form = Ui::CalibrationDlg;

// Read against the save steps of the dialogue: the command, the field whose text it carries (or
// the date), the status shown, the trace.
// clang-format off
const std::array<SaveStep, 4> saveSteps { {
    { State::saveSlope,        Command::setSlope,      &Form::calLE_NewCslp, false,
      QT_TRANSLATE_NOOP("CalibrationDlg", "Saving MC, please wait..."),               "Sent mc: " },
    { State::saveOffset,       Command::setOffset,     &Form::calLE_NewCoff, false,
      QT_TRANSLATE_NOOP("CalibrationDlg", "Saving BC, please wait..."),               "Sent bc: " },
    { State::saveDate,         Command::setCalDate,    nullptr,              true,
      QT_TRANSLATE_NOOP("CalibrationDlg", "Saving Calibration Date, please wait..."), "Sent ic: " },
    { State::saveConfirmation, Command::saveConstants, nullptr,              false,
      nullptr,                                                                        "Sent save" },
} };
// clang-format on

// The sensor's own date command wants its text closed by a CR of its own, which with the
// command's CR ends it in two.
QByteArray todayForSensor()
{
    return QDate::currentDate().toString(QStringLiteral("MM/dd/yy")).toLatin1() + '\r';
}
}

const SaveStep &saveStep(int state)
{
    return saveSteps[static_cast<size_t>(state - State::saveSlope)];
}

void CalibrationDlg::startSaveSequence()
{
    m_run.store = StoreRecord();
    // The sensor is no longer what the last validation measured: until it is validated again,
    // the run has no verdict to end with.
    m_run.validation.reset();
    setBusy(true);
    m_rxBuffer.clear();
    m_waitCount = replyTicks;
    startResponseTimer();
    m_state = State::saveSlope;
    sendParameters(State::saveSlope);
}

void CalibrationDlg::sendParameters(int step)
{
    setBusy(true);
    m_saving = true;
    QByteArray command;
    if (State::isSaveStep(step)) {
        const SaveStep &save = saveStep(step);
        command = save.command;
        if (save.valueField)
            command += (ui->*save.valueField)->text().toLatin1() + '\r';
        else if (save.carriesDate)
            command += todayForSensor() + '\r';
        if (save.status)
            setStatus(tr(save.status));
        if (save.valueField || save.carriesDate)
            qCDebug(lcDialogue) << save.trace << command;
        else
            qCDebug(lcDialogue) << save.trace;
        m_run.store->sentCommands.append(command);
        record(saveStepEvent(m_run, command));
    }
    m_waitCount = replyTicks;
    startResponseTimer();
    writeCommand(command);
}

void CalibrationDlg::handleSaveConfirmation()
{
    if (!m_rxBuffer.contains(Reply::saveComplete))
        return;
    StopTimer();
    m_saving = false;
    m_run.store->confirmed = true;
    record(saveResultEvent(m_run, Verdict::confirmed));
    setStatus(tr("Saving complete"));
    showValidationValues();
    showNewConstants();
    m_waitCount = replyTicks;
    m_state = State::rawModeOff;
    startResponseTimer();
    m_rxBuffer.clear();
    writeCommand(Command::rawModeToggle);
}

void CalibrationDlg::saveNotConfirmed()
{
    m_state = State::idle;
    m_run.store->confirmed = false;
    record(saveResultEvent(m_run, Verdict::notConfirmed));
    setStatus(tr("The sensor did not confirm saving the new constants"));
    runMessageBox(QMessageBox::Warning, tr("Saving not confirmed"),
        tr("The KR-5M-LD did not confirm that it stored the new calibration constants, so they "
           "may not be in the sensor. Run a Validation to check the sensor, or a Calibration to "
           "try again."),
        QMessageBox::Ok);
    enableNextRun();
}
