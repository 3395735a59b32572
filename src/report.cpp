#include "report.h"

#include "company.h"
#include "savefile.h"

#include <QDate>
#include <QLocale>
#include <QSaveFile>

namespace {
const QByteArray lineEnd = QByteArrayLiteral("\r\n");

QByteArray fieldBytes(const QString &text)
{
    return text.trimmed().toLocal8Bit();
}

// The technician reads the month in the machine's own language, so the system locale names it;
// QDate::toString(format) would always use English. The date text carries its own CR, which
// gives the date line its CR CR LF ending.
QByteArray dateBytes(const QDate &today)
{
    return (QLocale::system().toString(today, QStringLiteral("dd-MMM-yyyy")) + QLatin1Char('\r'))
        .toLocal8Bit();
}

class ReportBuilder
{
public:
    void line(const QByteArray &text = {}) { m_text += text + lineEnd; }
    void labelled(const char *label, const QString &field) { line(label + fieldBytes(field)); }
    QByteArray text() const { return m_text; }

private:
    QByteArray m_text;
};

void addMaker(ReportBuilder &report)
{
    report.line(Company::makerName);
    report.line(Company::makerStreet);
    report.line(Company::makerTown);
    report.line("------------------");
    report.line();
}

void addFixture(ReportBuilder &report, const RunRecord &shown)
{
    report.line("Validation/Calibration Instrument");
    report.line(fieldBytes(shown.fixture.model.text));
    report.labelled("Serial Number: ", shown.fixture.serial.text);
    report.labelled("Firmware Version: ", shown.fixture.firmware.text);
    report.labelled("Calibration Date: ", shown.fixture.calDate.text);
    report.line();
}

void addSensor(ReportBuilder &report, const RunRecord &shown, bool calibrated)
{
    report.line(calibrated ? "Instrument Calibrated:" : "Instrument Validated:");
    report.line(fieldBytes(shown.sensor.model.text));
    report.labelled("Serial Number: ", shown.sensor.serial.text);
    report.labelled("Firmware Version: ", shown.sensor.firmware.text);
    report.line();
}

void addDates(ReportBuilder &report, const RunRecord &shown, bool calibrated, const QDate &today)
{
    if (calibrated) {
        report.line("Calibration Date: " + dateBytes(today));
        return;
    }
    report.labelled("Instrument was last Calibrated on: ", shown.sensor.calDate.text);
    report.line("Instrument was Validated on: " + dateBytes(today));
}

void addConstants(ReportBuilder &report, const char *heading, const QString &mc, const QString &bc)
{
    report.line(heading);
    report.labelled("MC =  ", mc);
    report.labelled("BC = ", bc);
    report.line();
}

// The longer readings of steps 4 and 5 get one blank less, so the verdicts of a typical report
// stand in one column.
QByteArray stepLine(int step, const QString &reading)
{
    const QByteArray separator = step <= 3 ? " pS/m      " : " pS/m     ";
    return "Step " + QByteArray::number(step) + ": " + fieldBytes(reading) + separator
        + (stepPasses(step, reading) ? "PASS" : "FAIL");
}

void addVerification(ReportBuilder &report, const RunRecord &shown)
{
    report.line("Verification Values");
    for (int step = 1; step <= validationStepCount; ++step)
        report.line(stepLine(step, shown.stepText(step)));
}
}

QByteArray reportText(
    const RunRecord &shown, bool calibrateChecked, bool validateChecked, const QDate &today)
{
    ReportBuilder report;
    addMaker(report);
    addFixture(report, shown);
    addSensor(report, shown, calibrateChecked);
    addDates(report, shown, calibrateChecked, today);
    addConstants(report, validateChecked ? "Current Constants" : "Previous Constants",
        shown.slope.text, shown.offset.text);
    if (calibrateChecked)
        addConstants(report, "New Constants", shown.newSlopeText(), shown.newOffsetText());
    addVerification(report, shown);
    return report.text();
}

bool writeReportFile(const QString &path, const QByteArray &contents, QString *errorText)
{
    // QSaveFile writes beside the target and renames only after every byte is down, so a full
    // disk never leaves the technician with half a report in place of the old one. A shared
    // folder may refuse new files while the report in it may be written: then it is replaced in
    // place, every error still caught.
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size())
        return commitWhole(file, errorText);
    if (errorText)
        *errorText = file.errorString();
    return false;
}

QString suggestedReportName(const QString &sensorSerial, const QDate &date, bool calibrationReport)
{
    QString serial = fileNamePart(sensorSerial);
    if (serial.isEmpty())
        serial = QStringLiteral("unknown");
    return QStringLiteral("KR-5M-LD_%1_%2_%3.txt")
        .arg(serial, date.toString(QStringLiteral("yyyy-MM-dd")),
            calibrationReport ? QStringLiteral("calibration") : QStringLiteral("validation"));
}
