#ifndef REPORT_H
#define REPORT_H

#include "runrecord.h"

#include <QByteArray>
#include <QString>
#include <array>

class QDate;

// The whole report file, byte for byte, of the run as the dialog's fields show it (their texts
// untrimmed; the report trims them): CR LF line ends, the date line CR CR LF, no trailing empty
// line. The two mode switches are passed separately because each one decides its own part of
// the text.
QByteArray reportText(
    const RunRecord &shown, bool calibrateChecked, bool validateChecked, const QDate &today);

// Replaces the file at path only by a complete new report: when anything fails, an existing
// file stays as it was. Where no file can be made beside it but the file itself may be
// written, it is written in place. Returns false and puts the reason into errorText (when
// given).
bool writeReportFile(const QString &path, const QByteArray &contents, QString *errorText);

// The name the report's save dialog offers: KR-5M-LD_<serial>_<yyyy-MM-dd>_<kind>.txt, the
// serial reduced to characters every file system accepts.
QString suggestedReportName(const QString &sensorSerial, const QDate &date, bool calibrationReport);

#endif
