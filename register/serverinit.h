#ifndef SERVERINIT_H
#define SERVERINIT_H

#include <QSqlDatabase>
#include <QStringList>

// Setting the lab's register up on its server, from the same SQL the package installs for psql.

// The statements of an SQL script, in order: split at each ';' outside quotes, dollar-quoted
// bodies and comments.
QStringList sqlStatements(const QString &script);

// Runs the register's script on the connection as one transaction, checking each statement,
// then checks the register itself. False, and which step failed with what right or object is
// in the way, when anything did: the server then holds nothing of it.
bool setUpRegister(QSqlDatabase &server, QString *error);

// What is wrong with the register on the server, in words; empty when it is whole: the events
// table of the register's shape, the benches' group role, and the triggers that keep it
// append-only and each bench's chain whole.
QString registerProblem(QSqlDatabase &server);

#endif
