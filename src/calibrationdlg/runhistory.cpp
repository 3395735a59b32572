// The run's events, handed to the calibration history as they happen.

#include "calibrationdlg.h"

void CalibrationDlg::recordHistory(HistoryEvent event, const QString &reportFile)
{
    m_history.append(m_run, event, reportFile, QDateTime::currentDateTime());
}

void CalibrationDlg::warnHistoryNotWritten(const QString &error)
{
    if (m_historyWarned)
        return;
    // Told once, without holding up the run: the fixture keeps its pace while the box is up.
    m_historyWarned = true;
    QMessageBox *box = newMessageBox(QMessageBox::Warning, tr("Calibration history"),
        error + QLatin1Char('\n')
            + tr("The run goes on, but its events are not recorded in the history."),
        QMessageBox::Ok);
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
}
