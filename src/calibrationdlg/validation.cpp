// A validation run: five reference steps, each PASS or FAIL against its bounds.

#include "calibrationdlg.h"
#include "logging.h"
#include "responsetick.h"
#include "runevents.h"
#include "states.h"

#include <QTimer>

void CalibrationDlg::startValidationRecord()
{
    m_run.validation = ValidationRecord();
    m_run.validation->phase = m_run.nextValidationPhase();
    m_run.validation->startedAt = QDateTime::currentDateTime();
}

void CalibrationDlg::handleValidationReading(const QByteArray &readingLine)
{
    // Step 1 is measured twice: the first reading lets the sensor settle on the reference.
    if (m_state == State::settleReading) {
        setStatus(tr("Sampling Step, please wait"));
        requestMeasurement(State::stepNotice(1), Command::validationReading(1));
        return;
    }
    const int step = (m_state - State::settleReading) / 2;
    QLineEdit *field = stepField(step);
    StepReading reading { readingLine, readingText(readingLine), false };
    if (m_state != State::lastValidation)
        setStatus(tr("Acquired Step %1, continuing to sample").arg(step));
    else
        setBusy(false);
    field->setText(reading.text);
    setBackgroundColors(field, step);
    reading.passed = stepPasses(step, field->text());
    m_run.validation->steps[static_cast<size_t>(step - 1)] = reading;
    if (m_state != State::lastValidation) {
        requestMeasurement(State::stepNotice(step + 1), Command::validationReading(step + 1));
        return;
    }
    m_run.validation->endedAt = QDateTime::currentDateTime();
    setStatus(tr("Validation Complete"));
    record(validationEvent(m_run));
    askAfterValidation();
}

void CalibrationDlg::setBackgroundColors(QLineEdit *field, int step)
{
    qCDebug(lcDialogue) << "Setting background Colors";
    if (stepPasses(step, field->text())) {
        field->setPalette(m_greenPalette);
    } else {
        field->setPalette(m_redPalette);
        m_stepFailed = true;
    }
}

void CalibrationDlg::askAfterValidation()
{
    const bool failed = m_stepFailed;
    m_stepFailed = false;
    const QString title = tr("User Input Necessary");
    if (failed) {
        const int answer = runMessageBox(QMessageBox::Information, title,
            tr("Validation has failed at least one step. Go to Calibration"),
            QMessageBox::Yes | QMessageBox::No);
        if (answer == QMessageBox::Yes && m_port)
            startCalibrationAfterFailedValidation();
        else
            enableNextRun();
        return;
    }
    const int answer = runMessageBox(QMessageBox::Information, title,
        tr("In order to print a hard copy, saving is necessary. Do you want to save this to a "
           "file"),
        QMessageBox::Save | QMessageBox::Cancel);
    if (answer == QMessageBox::Save)
        saveReport();
    else
        enableNextRun();
}

void CalibrationDlg::startCalibrationAfterFailedValidation()
{
    setBusy(true);
    showCalibrationValues();
    setStatus(tr("Calibration Starting"));
    ui->Calibrate_RB->setChecked(true);
    m_run.mode = RunMode::Calibration;
    m_state = State::rawModeOn;
    m_waitCount = replyTicks;
    startResponseTimer();
    m_rxBuffer.clear();
    writeCommand(Command::rawModeToggleUpper);
}
