#ifndef CHAINCHECK_H
#define CHAINCHECK_H

#include "recordsdatabase.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>

// What checking records found: each finding in words, in the order it was found.
struct RecordsCheck
{
    qint64 events = 0; // read
    QStringList findings;
    bool cancelled = false;

    bool intact() const { return findings.isEmpty() && !cancelled; }
};

// Told how far a check has got (events read of all), first before it reads any; returning false
// stops it.
using CheckProgress = std::function<bool(qint64 done, qint64 total)>;

// The whole check of a records file, as an auditor would make it: the schema and its
// append-only triggers present and unaltered; every event's hash recomputed from its content and
// its predecessor's; sequence numbers from 1 without a gap; each run's events in an order the
// program can write them, at times that go forward; and the file reaching as far as the lab's
// server last confirmed it holds. A chain resumed from the server's head (the file ended before
// it, or differed from it) is said as such.
RecordsCheck checkRecords(QSqlDatabase &db, QString *error, const CheckProgress &progress = {});

// Records begun on another computer than this are a copy: said in words; empty when not.
QString copiedRecordsText(const RecordsDatabase::Identity &identity, const QString &path);

// What a person opening the records must be told at once, in words; empty when nothing: records
// begun on another computer (a copy), or records that do not reach as far as the lab's server
// confirmed it holds (events removed, or the file put back from an older copy).
QString recordsStanding(QSqlDatabase &db, const QString &path);

// The records against the lab's server's copy of them: every event the server holds of these
// records is in the file with the same hash, and the file does not end before the server's last.
RecordsCheck compareWithServer(QSqlDatabase &local, QSqlDatabase &server, QString *error);

// Each bench's chain on the lab's server recomputed, each on its own.
struct BenchChainCheck
{
    QString bench; // the computer's name
    QByteArray source; // the records' own identity: two benches on one computer differ in it
    RecordsCheck check;
};
QList<BenchChainCheck> checkServerChains(QSqlDatabase &server, QString *error);

#endif
