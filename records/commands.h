#ifndef COMMANDS_H
#define COMMANDS_H

#include <QStringList>
#include <QTextStream>

// The command-line work of cvu-records, each on the database it is given, writing what it has
// to say to `out` (and failures to `err`), and giving the program's exit status.
namespace RecordsCommand {
// The whole check of the records (see checkRecords): "records intact: N events", or each
// finding; where a server is given, the records are compared with its copy too.
int verify(const QString &databasePath, const QString &server, QTextStream &out, QTextStream &err);
// Every event as a line of the calibration history CSV.
int exportCsv(
    const QString &databasePath, const QString &csvPath, QTextStream &out, QTextStream &err);
// Sends what waits for the lab's server: 0 when everything is there.
int sync(const QString &databasePath, const QString &server, QTextStream &out, QTextStream &err);
// Sets the lab's register up on the server, as its owner: the schema of server-schema.sql.
int serverInit(const QString &server, QTextStream &out, QTextStream &err);
// As the register's owner: lets the bench role send one more bench's records (records begun
// anew, a new computer), or its records under a new computer name, once.
int serverAdmit(const QString &server, const QString &role, const QString &bench, QTextStream &out,
    QTextStream &err);
// Recomputes each bench's chain on the server.
int verifyServer(const QString &server, QTextStream &out, QTextStream &err);

// The calibration certificate of the sensor's latest run that ended with a passing validation,
// or of the run named, as a PDF file.
int certificate(const QString &databasePath, const QByteArray &serial, const QString &run,
    const QString &pdfPath, QTextStream &out, QTextStream &err);
}

#endif
