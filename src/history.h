#ifndef HISTORY_H
#define HISTORY_H

#include "runrecord.h"

#include <QObject>
#include <QString>
#include <array>
#include <chrono>

class QDate;
class QDateTime;

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

// The calibration history: one CSV line per event, so the constants a sensor had before a
// calibration are on record whatever happens afterwards. Each event is handed at once to the
// program's history writer thread, which appends the lines in order and syncs each to disk, so
// the window never waits for a busy disk.
class HistoryLog : public QObject
{
    Q_OBJECT

public:
    explicit HistoryLog(const QString &filePath, QObject *parent = nullptr);
    // Waits, for historyCloseWait at most, until the lines it handed over are on disk.
    ~HistoryLog() override;

    // In the application-data folder of the names main gives the application.
    static QString defaultFilePath();

    // Each event writes only the values of the run that belong to it: a validation its
    // readings, a calibration its averages and new constants, sending them the old and the new
    // constants, a report its path.
    void append(
        const RunRecord &run, HistoryEvent event, const QString &reportFile, const QDateTime &when);
    // True once every line it handed over is written or has failed; false when the time ran out.
    bool waitUntilWritten(std::chrono::milliseconds timeout);

signals:
    // A line could not be written, with a sentence for the user. A line not written whole is
    // taken back, so the file stays valid CSV. Emitted on the log's own thread.
    void writeFailed(const QString &errorText);

private:
    QString m_filePath;
};

inline constexpr std::chrono::seconds historyCloseWait { 2 };

// The name the report's save dialog offers: KR-5M-LD_<serial>_<yyyy-MM-dd>_<kind>.txt, the
// serial reduced to characters every file system accepts.
QString suggestedReportName(const QString &sensorSerial, const QDate &date, bool calibrationReport);

#endif
