// Identification: who the fixture and the sensor are, and the constants the sensor holds.

#include "calibrationdlg.h"
#include "logging.h"
#include "states.h"

#include <array>

namespace {
QString fixtureModelText(const QByteArray &)
{
    return QString::fromLatin1(Reply::fixtureModel);
}

// Where each reported value is kept in the run.
// clang-format off
Reported *fixtureModel(RunRecord &run) { return &run.fixture.model; }
Reported *fixtureSerial(RunRecord &run) { return &run.fixture.serial; }
Reported *fixtureFirmware(RunRecord &run) { return &run.fixture.firmware; }
Reported *fixtureCalDate(RunRecord &run) { return &run.fixture.calDate; }
Reported *sensorSerial(RunRecord &run) { return &run.sensor.serial; }
Reported *sensorFirmware(RunRecord &run) { return &run.sensor.firmware; }
Reported *sensorCalDate(RunRecord &run) { return &run.sensor.calDate; }
Reported *slopeRead(RunRecord &run) { return &run.slope; }
Reported *offsetRead(RunRecord &run) { return &run.offset; }

using Form = Ui::CalibrationDlg;

// Read against the identification table of the dialogue. Each row: the state and the keyword it
// awaits, the status shown on a match; where the value goes, how it is cut from the reply and
// which field shows it; the next state and its command; what is asked again without a match.
// The sensor's firmware is checked before its date is asked; the offset ends identification.
const std::array<IdentificationStep, 8> identificationSteps { {
    { State::fixtureModel,   Reply::fixtureModel, QT_TRANSLATE_NOOP("CalibrationDlg", "Found Validation Device"),
      fixtureModel,    fixtureModelText, &Form::calLE_Type,
      State::fixtureTimeout, Command::timeoutUpper,   Command::resetUpper },
    { State::fixtureTimeout, Reply::timeout,      QT_TRANSLATE_NOOP("CalibrationDlg", "KR-5M-LD - has 30 minute timeout"),
      nullptr,         nullptr,          nullptr,
      State::fixtureSerial,  Command::fixtureSerial,  Command::timeoutLower },
    { State::fixtureSerial,  Reply::serialNumber, QT_TRANSLATE_NOOP("CalibrationDlg", "KR-5M-LD-CV-LNK - found serial number"),
      fixtureSerial,   valueAfterEquals, &Form::calLE_SN,
      State::fixtureVersion, Command::fixtureVersion, Command::fixtureSerial },
    { State::fixtureVersion, Reply::version,      QT_TRANSLATE_NOOP("CalibrationDlg", "KR-5M-LD-CV-LNK Version obtained"),
      fixtureFirmware, versionText,      &Form::calLE_Version,
      State::fixtureCalDate, Command::fixtureCalDate, Command::fixtureVersion },
    { State::sensorSerial,   Reply::serialNumber, QT_TRANSLATE_NOOP("CalibrationDlg", "KR-5M-LD - found serial number"),
      sensorSerial,    valueAfterEquals, &Form::calLE_TARNEL_SN,
      State::sensorVersion,  Command::sensorVersion,  Command::sensorSerial },
    { State::sensorVersion,  Reply::version,      QT_TRANSLATE_NOOP("CalibrationDlg", "KR-5M-LD-CV-LNK Version obtained"),
      sensorFirmware,  versionText,      &Form::calLE_TARNEL_VER,
      State::sensorCalDate,  Command::sensorCalDate,  Command::sensorVersion },
    { State::sensorSlope,    Reply::slope,        QT_TRANSLATE_NOOP("CalibrationDlg", "Slope Acquired"),
      slopeRead,       slopeText,        &Form::calLE_OldCslp,
      State::sensorOffset,   Command::offset,         Command::slope },
    { State::sensorOffset,   Reply::offset,       QT_TRANSLATE_NOOP("CalibrationDlg", "Choose Validation or Calibration button, then Continue"),
      offsetRead,      valueAfterEquals, &Form::calLE_OldCoff,
      State::idle,           nullptr,                 Command::offset },
} };

// The fixture's form is tested first: the sensor's keyword is a part of it.
const std::array<CalibrationDateForm, 2> calibrationDateForms { {
    { Reply::fixtureCalDate, QT_TRANSLATE_NOOP("CalibrationDlg", "KR-5M-LD-CV-LNK - found Calibration Date"),
      fixtureCalDate, &Form::calLE_CALDATE,    State::sensorSerial, Command::sensorSerial },
    { Reply::sensorCalDate,  QT_TRANSLATE_NOOP("CalibrationDlg", "KR-5M-LD - found Calibration Date"),
      sensorCalDate,  &Form::calLE_TARNEL_CAL, State::sensorSlope,  Command::slope },
} };
// clang-format on

bool isCalibrationDateState(int state)
{
    return state == State::fixtureCalDate || state == State::sensorCalDate;
}
}

const IdentificationStep &identificationStep(int state)
{
    for (const IdentificationStep &step : identificationSteps) {
        if (step.state == state)
            return step;
    }
    qFatal("state %d has no identification step", state);
}

const CalibrationDateForm *calibrationDateFormOf(const QByteArray &reply)
{
    for (const CalibrationDateForm &form : calibrationDateForms) {
        if (reply.contains(form.keyword))
            return &form;
    }
    return nullptr;
}

const char *resendCommandFor(int state)
{
    if (State::isIdentification(state) && !isCalibrationDateState(state))
        return identificationStep(state).resendCommand;
    if (State::isRawModeSwitch(state))
        return Command::rawModeToggle;
    return nullptr;
}

void CalibrationDlg::handleIdentification()
{
    if (isCalibrationDateState(m_state)) {
        handleCalibrationDate();
        return;
    }
    const IdentificationStep &step = identificationStep(m_state);
    if (!m_rxBuffer.contains(step.awaited)) {
        resend(step.resendCommand);
        return;
    }
    StopTimer();
    setStatus(tr(step.status));
    takeIdentity(step);
    switch (m_state) {
    case State::fixtureVersion:
        // The sensor is named by the fixture's answer; it has no question of its own for it.
        m_run.sensor.model = { {}, QString::fromLatin1(Reply::sensorModel) };
        ui->calLE_TARNEL->setText(m_run.sensor.model.text);
        break;
    case State::sensorVersion:
        checkFirmware();
        return;
    case State::sensorOffset:
        finishIdentification();
        return;
    }
    advance(step.next, step.nextCommand);
}

void CalibrationDlg::takeIdentity(const IdentificationStep &step)
{
    if (!step.value)
        return;
    Reported *value = step.value(m_run);
    *value = { m_rxBuffer, step.cut(m_rxBuffer) };
    (ui->*step.field)->setText(value->text);
}

// Both devices answer with a calibration date; the form of the reply, not the state, tells
// which one it came from. A line without either stays, so the line that completes it is read
// together with it.
void CalibrationDlg::handleCalibrationDate()
{
    const CalibrationDateForm *form = calibrationDateFormOf(m_rxBuffer);
    if (!form) {
        startResponseTimer();
        return;
    }
    StopTimer();
    Reported *date = form->value(m_run);
    *date = { m_rxBuffer, valueAfterEquals(m_rxBuffer) };
    (ui->*form->field)->setText(date->text);
    setStatus(tr(form->status));
    advance(form->next, form->nextCommand);
}

void CalibrationDlg::checkFirmware()
{
    const IdentificationStep &step = identificationStep(State::sensorVersion);
    if (firmwareValue(ui->calLE_TARNEL_VER->text()) >= minimumFirmware) {
        advance(step.next, step.nextCommand);
        return;
    }
    setBusy(false);
    m_state = State::idle;
    runMessageBox(QMessageBox::Information, tr("Error: cannot continue"),
        tr("The Unit Under Test has non-compatible firmware installed. Please contact factory "
           "for resolution."),
        QMessageBox::Ok);
    on_CalibrationPB_Close_clicked();
}

void CalibrationDlg::finishIdentification()
{
    m_rxBuffer.clear();
    ui->Calibrate_RB->show();
    ui->Validate_RB->show();
    ui->line_1->show();
    ui->calibrationPB_Connect->setText(tr("Continue"));
    showValidationValues();
    setBusy(false);
    recordIdentification();
}
