// The run's calibration records: each event handed to the records as it happens, and the
// sensor's present constants committed before they are replaced.

#include "calibrationdlg.h"
#include "runevents.h"
#include "states.h"

#include <QTimer>

void CalibrationDlg::record(const RecordEvent &event)
{
    if (m_runRecorded)
        m_records.append(event);
}

void CalibrationDlg::recordIdentification()
{
    m_runRecorded = true;
    record(identifiedEvent(m_run, RunContext::ofThisProgram()));
}

// A run is recorded from its identification on; it ends at Close, at a new Connect, or with the
// fixture's loss.
void CalibrationDlg::endRun(const QString &reason)
{
    record(endedEvent(m_run, reason));
    m_runRecorded = false;
}

// The one value nobody can recreate is what the sensor held before it was adjusted: it is on
// disk before the first save step leaves. The window does not wait for the disk; the records
// thread answers.
void CalibrationDlg::keepRecordThenStore(bool warned)
{
    setBusy(true);
    m_state = State::keepingRecord;
    const RecordEvent store = storeEvent(m_run, warned);
    m_awaitedRecord = store.id;
    m_recordLimit->start();
    m_records.commit(store);
}

void CalibrationDlg::onRecordCommitted(const QUuid &event, bool stored, const QString &reason)
{
    if (event != m_awaitedRecord || m_state != State::keepingRecord)
        return;
    m_recordLimit->stop();
    m_awaitedRecord = QUuid();
    if (stored)
        startSaveSequence();
    else
        recordNotKept(reason);
}

void CalibrationDlg::recordNotKept(const QString &reason)
{
    if (m_state != State::keepingRecord)
        return;
    m_recordLimit->stop();
    m_awaitedRecord = QUuid();
    setBusy(false);
    const int answer = runMessageBox(QMessageBox::Warning, tr("Calibration record not saved"),
        tr("The calibration record could not be saved: %1. The sensor's present constants (MC "
           "%2, BC %3) would then be on record nowhere. Store the new constants anyway?")
            .arg(reason, m_run.slope.text.trimmed(), m_run.offset.text.trimmed()),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes && m_port) {
        startSaveSequence();
        return;
    }
    m_state = State::idle;
    record(storeDeclinedEvent(m_run, false));
    endCalibrationWithoutStoring();
}

void CalibrationDlg::warnRecordsNotWritten(const QString &error)
{
    if (m_recordsWarned)
        return;
    // Told once, without holding up the run: the fixture keeps its pace while the box is up.
    m_recordsWarned = true;
    tellAboutRecords(error + QLatin1Char('\n')
        + tr("The run goes on. Its events are written to the records as soon as they can be, "
             "while the program stays open."));
}

void CalibrationDlg::tellAboutRecords(const QString &text)
{
    QMessageBox *box
        = newMessageBox(QMessageBox::Warning, tr("Calibration records"), text, QMessageBox::Ok);
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
}
