#include "commands.h"

#include "certificate.h"
#include "chaincheck.h"
#include "historyexport.h"
#include "recordsdatabase.h"
#include "recordssender.h"
#include "registerconfig.h"
#include "savefile.h"
#include "serverinit.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

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
    out << what << " not intact (" << check.events << " events read):" << Qt::endl;
    for (const QString &finding : check.findings)
        out << "  " << finding << Qt::endl;
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

private:
    bool m_open = false;
    QString m_error;
};
}

namespace RecordsCommand {

int verify(const QString &databasePath, const QString &server, QTextStream &out, QTextStream &err)
{
    ReadConnection connection(databasePath);
    if (!connection.isOpen()) {
        err << connection.error() << Qt::endl;
        return 2;
    }
    QSqlDatabase db = connection.database();
    QString error;
    const RecordsCheck check = checkRecords(db, &error);
    if (!error.isEmpty()) {
        err << QDir::toNativeSeparators(databasePath) << ": " << error << Qt::endl;
        return 2;
    }
    sayCheck(check, QStringLiteral("records"), out);
    if (server.isEmpty())
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

int exportCsv(
    const QString &databasePath, const QString &csvPath, QTextStream &out, QTextStream &err)
{
    if (refusedAsRecords(csvPath, databasePath, err))
        return 2;
    ReadConnection connection(databasePath);
    if (!connection.isOpen()) {
        err << connection.error() << Qt::endl;
        return 2;
    }
    // Written whole or not at all, as a report is.
    QSaveFile file(csvPath);
    QSqlDatabase db = connection.database();
    QString error;
    if (!file.open(QIODevice::WriteOnly) || !exportHistoryCsv(db, file, &error)
        || !commitWhole(file, &error)) {
        err << QDir::toNativeSeparators(csvPath) << ": "
            << (error.isEmpty() ? file.errorString() : error) << Qt::endl;
        return 2;
    }
    out << "exported to " << QDir::toNativeSeparators(csvPath) << Qt::endl;
    return 0;
}

int certificate(const QString &databasePath, const QByteArray &serial, const QString &run,
    const QString &pdfPath, QTextStream &out, QTextStream &err)
{
    if (refusedAsRecords(pdfPath, databasePath, err))
        return 2;
    ReadConnection connection(databasePath);
    if (!connection.isOpen()) {
        err << connection.error() << Qt::endl;
        return 2;
    }
    const RegisterConfig config = loadRegisterConfig();
    const Register records(connection.database(), config.settings);
    QString error;
    std::optional<RunSummary> chosen;
    for (const RunSummary &candidate : records.runsOf(serial, &error)) {
        const bool named = candidate.run == QUuid::fromString(run);
        if (named || (run.isEmpty() && candidate.endedPassing())) {
            chosen = candidate;
            break;
        }
    }
    QString why = run.isEmpty()
        ? QCoreApplication::translate(
            "Certificate", "No run of sensor %1 ended with a passing validation.")
              .arg(QString::fromUtf8(serial))
        : QCoreApplication::translate("Certificate", "Sensor %1 has no run %2.")
              .arg(QString::fromUtf8(serial), run);
    const std::optional<Certificate> certificate
        = chosen ? certificateFor(*chosen, config.laboratory, config.settings, &why) : std::nullopt;
    if (!error.isEmpty() || !certificate) {
        err << (error.isEmpty() ? why : error) << Qt::endl;
        return 1;
    }
    if (!writeCertificatePdf(*certificate, pdfPath, &error)) {
        err << error << Qt::endl;
        return 2;
    }
    out << "certificate " << certificate->number << " written to "
        << QDir::toNativeSeparators(pdfPath) << Qt::endl;
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
