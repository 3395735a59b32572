#ifndef COMMANDS_H
#define COMMANDS_H

#include "chaincheck.h"
#include "issuing.h"

#include <QDate>
#include <QStringList>
#include <QTextStream>
#include <optional>

// What the certificate command is asked for.
struct CertificateRequest
{
    QByteArray serial;
    QString run; // none: the sensor's latest run that can have a certificate
    QString output;
    CertificateAction action = CertificateAction::Show;
    IssueDetails details;
};

// A change of the lab's settings, a fixture's reference data or a sensor's customer.
struct SettingsRequest
{
    QString kind; // an EventKind: setting, fixture setting, customer
    QByteArray subject; // the fixture's or the sensor's serial
    QStringList assignments; // NAME=VALUE
};

// The command-line work of cvu-records, each on the database it is given, writing what it has
// to say to `out` (and failures to `err`), and giving the program's exit status.
namespace RecordsCommand {
// The whole check of the records (see checkRecords): "records intact: N events", or each
// finding; where a server is given, the records are compared with its copy too. `progress` is
// told how far the file's own check has got, and can stop it.
int verify(const QString &databasePath, const QString &server, QTextStream &out, QTextStream &err,
    const CheckProgress &progress = {});
// Every event as a line of the calibration history CSV.
int exportCsv(
    const QString &databasePath, const QString &csvPath, QTextStream &out, QTextStream &err);
// The register's sensors list, with every status that holds for each, in words.
int exportSensors(
    const QString &databasePath, const QString &csvPath, QTextStream &out, QTextStream &err);
// A fixture's recall list, or a reference standard's, and where to write it: as CSV, as PDF, or
// both.
struct RecallRequest
{
    QByteArray fixtureSerial;
    QString referenceCertificate; // instead of a fixture: the reference standard's certificate
    std::optional<QDate> from; // none: from the first run
    std::optional<QDate> until; // none: until now
    QString csv;
    QString pdf;
};
// Every run made with the fixture (or under the reference standard) from the first day until
// the last, with its results, adjustment, certificate and customer.
int recall(
    const QString &databasePath, const RecallRequest &request, QTextStream &out, QTextStream &err);
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

// The calibration certificate of the run named, or of the sensor's latest that can have one, as
// a PDF file: the issued one, else a draft; with Approve it is issued (recorded) first, with
// Amend its next revision.
int certificate(const QString &databasePath, const CertificateRequest &request, QTextStream &out,
    QTextStream &err);
// Whether these records hold, unchanged, the event the certificate in the PDF was issued from,
// and the PDF is the one issued.
int verifyCertificate(
    const QString &databasePath, const QString &pdfPath, QTextStream &out, QTextStream &err);
// Records each NAME=VALUE as a change, every one checked before any is recorded.
int changeSettings(const QString &databasePath, const SettingsRequest &request, QTextStream &out,
    QTextStream &err);
}

#endif
