#include "commands.h"

#include "certificate.h"
#include "chaincheck.h"
#include "historyexport.h"
#include "issuing.h"
#include "recallpdf.h"
#include "recordsdatabase.h"
#include "recordssender.h"
#include "registerconfig.h"
#include "registercsv.h"
#include "runevents.h"
#include "savefile.h"
#include "serverinit.h"
#include "sha256.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <functional>
#include <utility>

namespace {
constexpr char connectionName[] = "cvu-records-command";
constexpr char serverConnectionName[] = "cvu-records-server";

// A connection to the lab's server for the command's work, gone when the work is done.
class ServerConnection
{
public:
    explicit ServerConnection(const QString &server)
    {
        m_open = !server.isEmpty()
            && openServerConnection(server, QLatin1String(serverConnectionName), &m_error);
        if (server.isEmpty())
            m_error = QCoreApplication::translate("Records",
                "No server is set: name one with --server, or in the settings of cvu-records.");
    }
    ~ServerConnection() { RecordsDatabase::close(QLatin1String(serverConnectionName)); }
    ServerConnection(const ServerConnection &) = delete;
    ServerConnection &operator=(const ServerConnection &) = delete;

    bool isOpen() const { return m_open; }
    QString error() const { return m_error; }
    QSqlDatabase database() const
    {
        return QSqlDatabase::database(QLatin1String(serverConnectionName));
    }

private:
    bool m_open = false;
    QString m_error;
};

// "records intact: N events", or each finding on a line of its own.
void sayCheck(const RecordsCheck &check, const QString &what, QTextStream &out)
{
    if (check.intact()) {
        out << what << " intact: " << check.events << " events" << Qt::endl;
        return;
    }
    // A stopped check vouches for nothing: what it found so far is said, nothing more.
    if (check.cancelled)
        out << what << ": the check was stopped after " << check.events
            << " events, before it was complete" << Qt::endl;
    else
        out << what << " not intact (" << check.events << " events read):" << Qt::endl;
    for (const QString &finding : check.findings)
        out << "  " << finding << Qt::endl;
}

// The event's hash is still the one its content and its predecessor's give.
bool holdsItsHash(QSqlDatabase &db, const RecordsDatabase::StoredEvent &stored)
{
    QString error;
    const std::optional<RecordsDatabase::StoredEvent> before
        = RecordsDatabase::eventAt(db, stored.seq - 1, &error);
    return chainHash(before ? before->hash : QByteArray(), stored.event, stored.storedPayload)
        == stored.hash;
}

// An output is never written over the records it is made from.
bool refusedAsRecords(const QString &outputPath, const QString &databasePath, QTextStream &err)
{
    if (!RecordsDatabase::isRecordsFile(outputPath, databasePath))
        return false;
    err << QCoreApplication::translate(
        "Records", "%1 is the records database or one of its files: choose another file to write.")
               .arg(QDir::toNativeSeparators(outputPath))
        << Qt::endl;
    return true;
}

// A connection of its own for the command's work, gone when the work is done.
class ReadConnection
{
public:
    explicit ReadConnection(const QString &path)
    {
        m_open = RecordsDatabase::openForReading(path, QLatin1String(connectionName), &m_error);
    }
    ~ReadConnection() { RecordsDatabase::close(QLatin1String(connectionName)); }
    ReadConnection(const ReadConnection &) = delete;
    ReadConnection &operator=(const ReadConnection &) = delete;

    bool isOpen() const { return m_open; }
    QString error() const { return m_error; }
    QSqlDatabase database() const { return QSqlDatabase::database(QLatin1String(connectionName)); }
    // Let go before the same command writes: a reader's view of the file is then stale.
    void close()
    {
        RecordsDatabase::close(QLatin1String(connectionName));
        m_open = false;
    }

private:
    bool m_open = false;
    QString m_error;
};
}

namespace RecordsCommand {

int verify(const QString &databasePath, const QString &server, QTextStream &out, QTextStream &err,
    const CheckProgress &progress)
{
    ReadConnection connection(databasePath);
    if (!connection.isOpen()) {
        err << connection.error() << Qt::endl;
        return 2;
    }
    QSqlDatabase db = connection.database();
    QString error;
    const RecordsCheck check = checkRecords(db, &error, progress);
    if (!error.isEmpty()) {
        err << QDir::toNativeSeparators(databasePath) << ": " << error << Qt::endl;
        return 2;
    }
    sayCheck(check, QStringLiteral("records"), out);
    if (server.isEmpty() || check.cancelled)
        return check.intact() ? 0 : 1;
    // The file's own check cannot see its end or a rewrite made before a copy left it: the
    // server's copy can.
    ServerConnection lab(server);
    const QString labName = serverWithoutPassword(server);
    if (!lab.isOpen()) {
        out << "not compared with the lab's server (" << labName << "): " << lab.error()
            << Qt::endl;
        return 1;
    }
    QSqlDatabase labDb = lab.database();
    const RecordsCheck compared = compareWithServer(db, labDb, &error);
    if (!error.isEmpty()) {
        out << "not compared with the lab's server (" << labName
            << "): " << describeServerError(error) << Qt::endl;
        return 1;
    }
    sayCheck(compared, QStringLiteral("as the lab's server (%1) holds them").arg(labName), out);
    return check.intact() && compared.intact() ? 0 : 1;
}

namespace {
// Writes what `write` makes of the records into the file, whole or not at all, as a report is.
int exportTo(const QString &databasePath, const QString &csvPath,
    const std::function<bool(QSqlDatabase &, QIODevice &, QString *)> &write, QTextStream &out,
    QTextStream &err)
{
    if (refusedAsRecords(csvPath, databasePath, err))
        return 2;
    ReadConnection connection(databasePath);
    if (!connection.isOpen()) {
        err << connection.error() << Qt::endl;
        return 2;
    }
    QSaveFile file(csvPath);
    QSqlDatabase db = connection.database();
    QString error;
    if (!file.open(QIODevice::WriteOnly) || !write(db, file, &error)
        || !commitWhole(file, &error)) {
        err << QDir::toNativeSeparators(csvPath) << ": "
            << (error.isEmpty() ? file.errorString() : error) << Qt::endl;
        return 2;
    }
    out << "exported to " << QDir::toNativeSeparators(csvPath) << Qt::endl;
    return 0;
}
}

int exportCsv(
    const QString &databasePath, const QString &csvPath, QTextStream &out, QTextStream &err)
{
    return exportTo(databasePath, csvPath, exportHistoryCsv, out, err);
}

int exportSensors(
    const QString &databasePath, const QString &csvPath, QTextStream &out, QTextStream &err)
{
    return exportTo(
        databasePath, csvPath,
        [](QSqlDatabase &db, QIODevice &file, QString *error) {
            const Register records(db);
            const QList<SensorSummary> sensors = records.sensors(error);
            if (!error->isEmpty())
                return false;
            const QByteArray csv = sensorsCsv(sensors, QDate::currentDate(), records.settings());
            return file.write(csv) == csv.size();
        },
        out, err);
}

int recall(
    const QString &databasePath, const RecallRequest &request, QTextStream &out, QTextStream &err)
{
    // Earlier than any run a lab's records can hold, an imported history's included.
    const QDate beforeAnyRun(1900, 1, 1);
    const bool ofReference = !request.referenceCertificate.isEmpty();
    std::optional<QList<RecalledRun>> recalled; // read once for both files
    int outcome = 0;
    for (const auto &[path, asPdf] :
        { std::pair(request.csv, false), std::pair(request.pdf, true) }) {
        if (path.isEmpty())
            continue;
        outcome = std::max(outcome,
            exportTo(
                databasePath, path,
                [&, asPdf = asPdf](QSqlDatabase &db, QIODevice &file, QString *error) {
                    const Register records(db);
                    if (!recalled) {
                        const QDate from = request.from.value_or(beforeAnyRun);
                        recalled = ofReference
                            ? records.recallOfReference(
                                request.referenceCertificate, from, request.until, error)
                            : records.recall(request.fixtureSerial, from, request.until, error);
                        if (!error->isEmpty()) {
                            recalled.reset();
                            return false;
                        }
                        out << "runs made "
                            << (ofReference
                                       ? "under reference standard " + request.referenceCertificate
                                       : "with fixture " + QString::fromUtf8(request.fixtureSerial))
                            << ": " << recalled->size() << Qt::endl;
                    }
                    const QByteArray bytes = asPdf
                        ? recallPdf({ request.fixtureSerial, request.referenceCertificate,
                            request.from, request.until, records.lab().settingsAt().laboratoryName,
                            QDateTime::currentDateTime(), *recalled })
                        : recallCsv(*recalled);
                    return file.write(bytes) == bytes.size();
                },
                out, err));
    }
    return outcome;
}

int certificate(const QString &databasePath, const CertificateRequest &request, QTextStream &out,
    QTextStream &err)
{
    if (refusedAsRecords(request.output, databasePath, err))
        return 2;
    ReadConnection connection(databasePath);
    if (!connection.isOpen()) {
        err << connection.error() << Qt::endl;
        return 2;
    }
    const Register records(connection.database());
    QString error;
    std::optional<RunSummary> chosen;
    QString why = request.run.isEmpty()
        ? QCoreApplication::translate(
            "Certificate", "No run of sensor %1 ended with a passing validation.")
              .arg(QString::fromUtf8(request.serial))
        : QCoreApplication::translate("Certificate", "Sensor %1 has no run %2.")
              .arg(QString::fromUtf8(request.serial), request.run);
    for (const RunSummary &candidate : records.runsOf(request.serial, &error)) {
        const bool named = candidate.run == QUuid::fromString(request.run);
        if (named || (request.run.isEmpty() && certificateRefusal(candidate).isEmpty())) {
            chosen = candidate;
            break;
        }
    }
    if (!error.isEmpty() || !chosen) {
        err << (error.isEmpty() ? why : error) << Qt::endl;
        return 1;
    }
    const CertificateOutcome outcome = certificateOf(databasePath, records, *chosen, request.action,
        request.details, RunContext::ofThisProgram().login);
    if (!outcome.certificate) {
        err << outcome.refusal << Qt::endl;
        return 1;
    }
    if (!writeFileWhole(request.output, outcome.pdf, &error)) {
        err << QDir::toNativeSeparators(request.output) << ": " << error << Qt::endl;
        if (outcome.issuedNow)
            err << QCoreApplication::translate("Records",
                "Certificate %1 is issued and recorded: the same command prints it again.")
                       .arg(outcome.certificate->number())
                << Qt::endl;
        return 2;
    }
    const QString path = QDir::toNativeSeparators(request.output);
    const Certificate &made = *outcome.certificate;
    if (made.isDraft())
        out << "draft of certificate " << made.number() << " written to " << path
            << ": not valid as a certificate until it is approved (--approve)" << Qt::endl;
    else if (outcome.issuedNow)
        out << "certificate " << made.number() << " issued, approved by "
            << made.approval->printedName << ", and written to " << path << Qt::endl;
    else
        out << "certificate " << made.number() << " written to " << path << Qt::endl;
    return 0;
}

int verifyCertificate(
    const QString &databasePath, const QString &pdfPath, QTextStream &out, QTextStream &err)
{
    QFile file(pdfPath);
    if (!file.open(QIODevice::ReadOnly)) {
        err << QDir::toNativeSeparators(pdfPath) << ": " << file.errorString() << Qt::endl;
        return 2;
    }
    const QByteArray pdf = file.readAll();
    const std::optional<CertificateMark> mark = certificateMark(pdf);
    if (!mark) {
        out << QCoreApplication::translate(
            "Records", "%1 is not a certificate made by this program.")
                   .arg(QDir::toNativeSeparators(pdfPath))
            << Qt::endl;
        return 1;
    }
    ReadConnection connection(databasePath);
    if (!connection.isOpen()) {
        err << connection.error() << Qt::endl;
        return 2;
    }
    QSqlDatabase db = connection.database();
    LabRecords lab;
    QString error;
    lab.read(db, &error);
    const std::optional<RecordsDatabase::StoredEvent> anchor
        = RecordsDatabase::eventAt(db, mark->anchorSeq, &error);
    const QByteArray sha256 = sha256Of(pdf);
    const bool issued = std::any_of(lab.certificates().cbegin(), lab.certificates().cend(),
        [&](const LabRecords::Issued &certificate) {
            return issuedPdfSha256(certificate.content) == sha256;
        });
    QStringList findings;
    if (!anchor)
        findings.append(QCoreApplication::translate(
            "Records", "these records end before event %1, which the certificate was issued from")
                            .arg(mark->anchorSeq));
    else if (anchor->hash != mark->anchorHash || !holdsItsHash(db, *anchor))
        findings.append(QCoreApplication::translate("Records",
            "these records hold another event %1 than the one the certificate was issued from: "
            "they were changed after it was issued")
                            .arg(mark->anchorSeq));
    if (!issued)
        findings.append(QCoreApplication::translate("Records",
            "no certificate issued from these records has this file's SHA-256: the file is not "
            "the one issued (it was changed, or is a draft)"));
    if (findings.isEmpty()) {
        out << "certificate " << mark->number << ": issued from these records, from event "
            << mark->anchorSeq << ", which they hold unchanged; this file is the one issued"
            << Qt::endl;
        return 0;
    }
    out << "certificate " << mark->number << " does not check against these records:" << Qt::endl;
    for (const QString &finding : findings)
        out << "  " << finding << Qt::endl;
    return 1;
}

int changeSettings(
    const QString &databasePath, const SettingsRequest &request, QTextStream &out, QTextStream &err)
{
    ReadConnection connection(databasePath);
    if (!connection.isOpen() && request.kind != QLatin1String(EventKind::setting)) {
        err << connection.error() << Qt::endl;
        return 2;
    }
    // Each value is taken, or the whole change refused with why, before anything is recorded.
    QList<RecordEvent> events;
    const QString account = RunContext::ofThisProgram().login;
    for (const QString &assignment : request.assignments) {
        const qsizetype equals = assignment.indexOf(QLatin1Char('='));
        const QString name = assignment.left(equals).trimmed();
        const QString value = equals < 0 ? QString() : assignment.mid(equals + 1);
        QString refusal = equals < 0
            ? QCoreApplication::translate("Records", "%1 is not NAME=VALUE").arg(assignment)
            : QString();
        if (refusal.isEmpty()) {
            LabSettings settings;
            FixtureReference fixture;
            Customer customer;
            refusal = request.kind == QLatin1String(EventKind::setting)
                ? applySetting(labSettingNames(), settings, name, value)
                : request.kind == QLatin1String(EventKind::fixtureSetting)
                ? applySetting(fixtureSettingNames(), fixture, name, value)
                : applySetting(customerSettingNames(), customer, name, value);
        }
        if (!refusal.isEmpty()) {
            err << refusal << Qt::endl;
            return 2;
        }
        events.append(settingEvent(
            request.kind.toLatin1().constData(), request.subject, name, value, account));
    }
    if (events.isEmpty()) {
        err << QCoreApplication::translate("Records", "Nothing to set: give NAME=VALUE.")
            << Qt::endl;
        return 2;
    }
    connection.close();
    QString error;
    if (!recordEvents(databasePath, events, &error,
            request.kind == QLatin1String(EventKind::setting)
                ? RecordsDatabase::Creation::CreateIfMissing
                : RecordsDatabase::Creation::ExistingOnly)) {
        err << error << Qt::endl;
        return 1;
    }
    out << "recorded " << events.size() << (events.size() == 1 ? " change" : " changes")
        << Qt::endl;
    return 0;
}

int sync(const QString &databasePath, const QString &server, QTextStream &out, QTextStream &err)
{
    if (server.isEmpty()) {
        err << ServerConnection(server).error() << Qt::endl;
        return 2;
    }
    SyncStatus status;
    const bool complete = RecordsSender::sendAll(databasePath, server, &status);
    if (!status.notice.isEmpty())
        err << status.notice << Qt::endl;
    if (complete) {
        out << "all records are on the server" << Qt::endl;
        return 0;
    }
    if (status.waiting >= 0)
        err << status.waiting << " records waiting for the server: ";
    err << status.lastError << Qt::endl;
    return 1;
}

int serverInit(const QString &server, QTextStream &out, QTextStream &err)
{
    ServerConnection connection(server);
    if (!connection.isOpen()) {
        err << connection.error() << Qt::endl;
        return 2;
    }
    QSqlDatabase db = connection.database();
    QString error;
    if (!setUpRegister(db, &error)) {
        err << error << Qt::endl;
        return 1;
    }
    out << "the lab's calibration register is set up on the server" << Qt::endl;
    return 0;
}

int serverAdmit(const QString &server, const QString &role, const QString &bench, QTextStream &out,
    QTextStream &err)
{
    ServerConnection connection(server);
    if (!connection.isOpen()) {
        err << connection.error() << Qt::endl;
        return 2;
    }
    QSqlQuery admit(connection.database());
    admit.prepare(QStringLiteral("INSERT INTO admissions (role, bench) SELECT rolname, ? FROM"
                                 " pg_roles WHERE rolname = ?"));
    admit.addBindValue(bench);
    admit.addBindValue(role);
    if (!admit.exec()) {
        err << describeServerError(admit.lastError().text()) << Qt::endl;
        return 1;
    }
    if (admit.numRowsAffected() != 1) {
        err << QCoreApplication::translate("Records", "The server has no role %1.").arg(role)
            << Qt::endl;
        return 1;
    }
    out << QCoreApplication::translate("Records",
        "role %1 may send the records of one more bench, or its records under the computer name "
        "%2, once")
               .arg(role, bench)
        << Qt::endl;
    return 0;
}

int verifyServer(const QString &server, QTextStream &out, QTextStream &err)
{
    ServerConnection connection(server);
    if (!connection.isOpen()) {
        err << connection.error() << Qt::endl;
        return 2;
    }
    QSqlDatabase db = connection.database();
    QString error;
    const QList<BenchChainCheck> benches = checkServerChains(db, &error);
    if (!error.isEmpty()) {
        err << describeServerError(error) << Qt::endl;
        return 2;
    }
    bool intact = true;
    for (const BenchChainCheck &bench : benches) {
        intact = intact && bench.check.intact();
        sayCheck(bench.check,
            QStringLiteral("%1 (records %2)")
                .arg(bench.bench, QString::fromLatin1(bench.source.toHex())),
            out);
    }
    return intact ? 0 : 1;
}
}
