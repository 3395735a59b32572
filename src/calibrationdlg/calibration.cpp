// A calibration run: five low and five high raw samples, averaged, give the new MC and BC.

#include "calibrationdlg.h"
#include "runevents.h"
#include "slopewarning.h"
#include "states.h"

void CalibrationDlg::startCalibrationRecord()
{
    m_run.calibration = CalibrationRecord();
    m_run.calibration->startedAt = QDateTime::currentDateTime();
    m_unreadableSamples = 0;
}

void CalibrationDlg::handleCalibrationSample(const QByteArray &readingLine)
{
    CalibrationRecord &calibration = *m_run.calibration;
    const bool low = m_state < State::highSettleNotice;
    const ReferenceSet set = low ? ReferenceSet::Low : ReferenceSet::High;
    const int settleNotice = low ? State::lowSettleNotice : State::highSettleNotice;
    const int settleReading = low ? State::lowSettleReading : State::highSettleReading;
    const QByteArray command = low ? Command::lowRawReading() : Command::highRawReading();
    const int sampleNumber = (m_state - settleReading) / 2;
    const std::optional<int> sample = sampleValue(readingLine);
    calibration.samples.append({ set, sampleNumber, readingLine, sample });

    if (m_state == settleReading) {
        setStatus(tr("Sampling Step, please wait"));
        setStatus(low ? tr("Now acquiring low data") : tr("Now acquiring high data"));
        requestMeasurement(State::sampleNotice(settleNotice, 1), command);
        return;
    }
    if (!sample) {
        askForSampleAgain(sampleNumber);
        return;
    }
    m_unreadableSamples = 0;
    const qint64 sum = calibration.sumOf(set);
    if (sampleNumber < samplesPerSet) {
        setStatus(low ? tr("Acquired Low Sample %1 of 5, continuing to sample").arg(sampleNumber)
                      : tr("Acquired High Sample %1 of 5, continuing to sample").arg(sampleNumber));
        if (low)
            ui->calLE_Step1->setText(sampleText(readingLine));
        ui->calLE_Step2->setText(QString::number(sum));
        requestMeasurement(State::sampleNotice(settleNotice, sampleNumber + 1), command);
        return;
    }

    const qint64 average = sampleAverage(sum);
    if (low) {
        calibration.lowAverage = average;
        ui->calLE_Step1->setText(QString::number(average));
        ui->calLE_Step2->clear();
        setStatus(tr("Calibration Low Complete"));
        requestMeasurement(State::highSettleNotice, Command::highRawReading());
        return;
    }
    calibration.highAverage = average;
    calibration.endedAt = QDateTime::currentDateTime();
    setBusy(false);
    ui->calLE_Step2->setText(QString::number(average));
    setStatus(tr("Calibration High Complete"));
    computeConstants();
    record(calibrationEvent(
        m_run, calibration.canBeStored() ? Verdict::computed : Verdict::noUsableConstants));
    askToStoreConstants();
}

// A sample that is not a whole number was garbled on its way: counting it as anything would
// put a wrong number into the constants.
void CalibrationDlg::askForSampleAgain(int sampleNumber)
{
    if (++m_unreadableSamples < sampleAttempts) {
        setStatus(tr("Sample %1 could not be read, asking the sensor again").arg(sampleNumber));
        requestMeasurement(State::noticeBefore(m_state), m_measurementCommand);
        return;
    }
    setBusy(false);
    m_state = State::idle;
    m_run.calibration->endedAt = QDateTime::currentDateTime();
    record(calibrationEvent(m_run, Verdict::unreadableSample));
    runMessageBox(QMessageBox::Warning, tr("Calibration failed"),
        tr("The KR-5M-LD's raw reading could not be read %1 times in a row, so no calibration "
           "constants were computed and nothing was written to the sensor. Check the USB cable "
           "and that the KR-5M-LD sits correctly in the fixture, then run the Calibration again.")
            .arg(sampleAttempts),
        QMessageBox::Ok);
    endCalibrationWithoutStoring();
}

void CalibrationDlg::computeConstants()
{
    CalibrationRecord &calibration = *m_run.calibration;
    calibration.constants = computeCalibrationConstants(
        calibration.lowAverage.value_or(0), calibration.highAverage.value_or(0));
    // Constants the sensor cannot use are never shown, so they can never be sent.
    const bool usable = calibration.canBeStored();
    calibration.slopeText = usable ? slopeDisplayText(calibration.constants->slope) : QString();
    calibration.offsetText = usable ? offsetDisplayText(calibration.constants->offset) : QString();
    ui->calLE_NewCslp->setText(calibration.slopeText);
    ui->calLE_NewCoff->setText(calibration.offsetText);
}

void CalibrationDlg::askToStoreConstants()
{
    if (!m_run.calibration->canBeStored()) {
        runMessageBox(QMessageBox::Warning, tr("Calibration failed"),
            tr("No usable calibration constants can be computed from the low and the high "
               "readings: they are equal, the high one is below the low one, or they are "
               "impossibly far apart. Nothing was written to the "
               "sensor. Check that the KR-5M-LD sits "
               "correctly in the fixture and run the Calibration again."),
            QMessageBox::Ok);
    } else {
        // A slope that moved far is flagged, and Return then does not store it.
        const QString warning = slopeChangeWarning(m_run, slopeWarningPercent());
        const bool warned = !warning.isEmpty();
        const int answer = runMessageBox(warned ? QMessageBox::Warning : QMessageBox::Information,
            tr("Important Information"),
            tr("The Calibration Sequence has completed. User should select YES to store new "
               "constants and start new Validation Process or select NO to invalidate the "
               "Calibration just undertaken."),
            QMessageBox::Yes | QMessageBox::No, warned ? QMessageBox::No : QMessageBox::NoButton,
            warning);
        if (answer == QMessageBox::Yes && m_port) {
            keepRecordThenStore(warned);
            return;
        }
        record(storeDeclinedEvent(m_run, warned));
    }
    endCalibrationWithoutStoring();
}

void CalibrationDlg::endCalibrationWithoutStoring()
{
    setStatus(tr("Choose Calibration or Validation, then Continue"));
    enableNextRun();
    hideValues();
}
