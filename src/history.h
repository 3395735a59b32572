#ifndef HISTORY_H
#define HISTORY_H

#include "stepbounds.h"

#include <QCoreApplication>
#include <QString>
#include <array>

class QDate;
class QDateTime;

// Who took part in an event, as the dialog's fields show them, untrimmed; the log trims them.
struct HistoryIdentity
{
    QString fixtureModel, fixtureSerial, fixtureVersion, sensorSerial, sensorFirmware;
};

enum class HistoryEvent {
    Identified,
    ValidationPassed,
    ValidationFailed,
    CalibrationComputed,
    CalibrationFailed,
    ConstantsSent,
    SaveConfirmed,
    SaveNotConfirmed,
    ReportWritten,
};

// What an event may carry besides who took part. Each event writes only the values that belong
// to it (a validation its readings, a calibration its averages and new constants, sending the
// old and the new constants, a report its path), so the dialog may pass everything it shows.
struct HistoryDetails
{
    std::array<QString, validationStepCount> steps;
    QString lowAverage, highAverage;
    QString oldMc, oldBc, newMc, newBc;
    QString reportFile;
};

// The calibration history: one CSV line per event, appended the moment it happens, so the
// constants a sensor had before a calibration are on record whatever happens afterwards.
class HistoryLog
{
    Q_DECLARE_TR_FUNCTIONS(HistoryLog)

public:
    explicit HistoryLog(const QString &filePath);

    // In the application-data folder of the names main gives the application.
    static QString defaultFilePath();

    // Returns true only once the line is on disk. On failure returns false and puts a sentence
    // for the user into errorText (when given); a line not written whole is taken back, so the
    // file stays valid CSV.
    bool append(const HistoryIdentity &identity, HistoryEvent event, const HistoryDetails &details,
        const QDateTime &when, QString *errorText = nullptr);

private:
    bool writeLine(const QByteArray &line, QString *reason);

    QString m_filePath;
};

// The name the report's save dialog offers: KR-5M-LD_<serial>_<yyyy-MM-dd>_<kind>.txt, the
// serial reduced to characters every file system accepts.
QString suggestedReportName(const QString &sensorSerial, const QDate &date, bool calibrationReport);

#endif
