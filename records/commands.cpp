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

int verify(const QString &databasePath, QTextStream &out, QTextStream &err)
{
    ReadConnection connection(databasePath);
    if (!connection.isOpen()) {
        err << connection.error() << Qt::endl;
        return 2;
    }
    QSqlDatabase db = connection.database();
    QString error;
    const ChainCheck check = checkChain(db, &error);
    if (!error.isEmpty()) {
        err << QDir::toNativeSeparators(databasePath) << ": " << error << Qt::endl;
        return 2;
    }
    if (!check.intact) {
        out << "records broken after " << check.events << " intact events: " << check.firstMismatch
            << Qt::endl;
        return 1;
    }
    out << "records intact: " << check.events << " events" << Qt::endl;
    return 0;
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
        intact = intact && bench.check.intact;
        out << bench.bench << " (records " << bench.source.toHex() << "): "
            << (bench.check.intact
                       ? QStringLiteral("records intact: %1 events").arg(bench.check.events)
                       : QStringLiteral("records broken after %1 intact events: %2")
                             .arg(bench.check.events)
                             .arg(bench.check.firstMismatch))
            << Qt::endl;
    }
    return intact ? 0 : 1;
}
}
