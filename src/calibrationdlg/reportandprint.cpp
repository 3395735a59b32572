// The report of a passed validation, and printing a report file.

#include "calibrationdlg.h"
#include "logging.h"
#include "report.h"
#include "reportprinter.h"
#include "runevents.h"
#include "states.h"

#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QLocale>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QStandardPaths>

void CalibrationDlg::saveReport()
{
    const QDate today = QDate::currentDate();
    // Reports belong with the technician's documents, even on a fresh account without the folder.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QDir().mkpath(documents);
    const QString suggestion = QDir(documents).filePath(
        suggestedReportName(ui->calLE_TARNEL_SN->text(), today, ui->Calibrate_RB->isChecked()));
    const QString fileName
        = QFileDialog::getSaveFileName(this, tr("SaveFile"), suggestion, tr("Text files (*.txt)"));
    if (fileName.isEmpty()) {
        // Changing one's mind is not a failure: the results stay on screen for another go.
        enableNextRun();
        return;
    }
    qCDebug(lcReport) << QLocale::system().toString(today, QStringLiteral("dd-MMM-yyyy"));
    // The report copies the fields as the technician left them, not the run as recorded.
    const RunRecord shown = shownRun();
    const QByteArray report
        = reportText(shown, ui->Calibrate_RB->isChecked(), ui->Validate_RB->isChecked(), today);

    QString error;
    if (!writeReportFile(fileName, report, &error)) {
        showFileWarning(
            tr("Error Saving"), tr("Cannot write to file %1:\n%2.").arg(fileName, error));
        enableNextRun();
        return;
    }
    record(reportEvent(
        m_run, fileName, ui->Calibrate_RB->isChecked(), report, editedFields(m_run, shown)));
    setStatus(tr("File Written - Use Print Button for hard copy"));
    qCDebug(lcReport) << "about to show the button";
    ui->calibrationDlg_Print->show();
}

void CalibrationDlg::on_calibrationDlg_Print_clicked()
{
    QPrinter printer(QPrinter::ScreenResolution);
    QPrintDialog printDialog(&printer);
    if (printDialog.exec() == QDialog::Accepted) {
        qCDebug(lcReport) << "we have a printer device";
        QPainter painter;
        if (!painter.begin(&printer)) {
            showFileWarning(tr("Printing failed"),
                tr("The page could not be printed: the printer could not be started."));
        } else {
            const QString fileName = QFileDialog::getOpenFileName(
                this, tr("Print File"), QString(), tr("Text files (*.txt)"));
            QFile file(fileName);
            if (file.open(QIODevice::ReadOnly)) {
                qCDebug(lcReport) << "File Opened";
                drawPrintout(painter, printer, printableLines(file.readAll()));
            } else {
                showFileWarning(tr("Error Reading"),
                    tr("Cannot read from file %1:\n%2.").arg(fileName, file.errorString()));
            }
            painter.end();
        }
    }
    enableNextRun();
}
