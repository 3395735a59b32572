#ifndef RECORDSLOG_H
#define RECORDSLOG_H

#include "recordevent.h"

#include <QObject>
#include <QString>
#include <QUuid>
#include <chrono>

// How long a closing log waits for its events to reach the disk.
inline constexpr std::chrono::seconds recordsCloseWait { 2 };
// How long the records thread waits before it tries an event that could not be written again.
inline constexpr std::chrono::seconds recordsRetryPause { 1 };

// A window's way into the calibration records. Events are handed to the program's records
// thread, which holds the one writer connection of each database and adds them in the order
// they were handed over, each committed and synced on its own, so the window never waits for
// the disk. An event that cannot be written stays first in line and is tried again, so a locked
// or full database delays events but loses none while the program runs.
class RecordsLog : public QObject
{
    Q_OBJECT

public:
    explicit RecordsLog(const QString &databasePath, QObject *parent = nullptr);
    // Waits, for recordsCloseWait at most, until the events it handed over are on disk.
    ~RecordsLog() override;

    QString databasePath() const { return m_databasePath; }

    void append(const RecordEvent &event);
    // As append, and answered with committed() once the event is on disk, or at its first
    // failure.
    void commit(const RecordEvent &event);
    // True once every event it handed over is written; false when the time ran out first.
    bool waitUntilWritten(std::chrono::milliseconds timeout);

signals:
    void committed(const QUuid &event, bool stored, const QString &reason);
    // An event could not be written, with the reason; it is tried again.
    void writeFailed(const QString &reason);
    // Something the user should be told once, such as damaged records moved aside.
    void notice(const QString &text);

private:
    QString m_databasePath;
};

// Opens the records at the path on the records thread, without waiting: the integrity check and
// the import of an old calibration history happen there while the program starts.
void openRecords(const QString &databasePath);

#endif
