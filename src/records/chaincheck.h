#ifndef CHAINCHECK_H
#define CHAINCHECK_H

#include <QSqlDatabase>
#include <QString>

// What recomputing the hash chain of the records found.
struct ChainCheck
{
    bool intact = false;
    qint64 events = 0; // checked, up to the first that does not match
    QString firstMismatch; // that event, in words
};

// Recomputes every event's hash from its content and its predecessor's, in order. A changed
// value, a removed or an inserted event breaks the chain at the first event after it.
ChainCheck checkChain(QSqlDatabase &db, QString *error);

// The same for each bench's events on the lab's server, each bench's chain on its own.
struct BenchChainCheck
{
    QString bench; // the computer's name
    QByteArray source; // the records' own identity: two benches on one computer differ in it
    ChainCheck check;
};
QList<BenchChainCheck> checkServerChains(QSqlDatabase &server, QString *error);

#endif
