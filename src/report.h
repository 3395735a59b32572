#ifndef REPORT_H
#define REPORT_H

#include "stepbounds.h"

#include <QByteArray>
#include <QString>
#include <array>

class QDate;

// The dialog's field texts exactly as they are shown, untrimmed; the report trims them itself.
struct ReportFields
{
    QString fixtureModel, fixtureSerial, fixtureVersion, fixtureCalDate;
    QString sensorModel, sensorSerial, sensorFirmware, sensorCalDate;
    QString oldMc, oldBc, newMc, newBc;
    std::array<QString, validationStepCount> steps;
};

// The whole report file, byte for byte: CR LF line ends, the date line CR CR LF, no trailing
// empty line. The two mode switches are passed separately because each one decides its own
// part of the text.
QByteArray reportText(
    const ReportFields &fields, bool calibrateChecked, bool validateChecked, const QDate &today);

// Replaces the file at path only by a complete new report: when anything fails, an existing
// file stays as it was. Where no file can be made beside it but the file itself may be
// written, it is written in place. Returns false and puts the reason into errorText (when
// given).
bool writeReportFile(const QString &path, const QByteArray &contents, QString *errorText);

#endif
