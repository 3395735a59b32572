#include "commands.h"

#include "certificate.h"
#include "chaincheck.h"
#include "historyexport.h"
#include "recordsdatabase.h"
#include "registerconfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>
#include <QSqlDatabase>

namespace {
constexpr char connectionName[] = "cvu-records-command";

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
    ReadConnection connection(databasePath);
    if (!connection.isOpen()) {
        err << connection.error() << Qt::endl;
        return 2;
    }
    // Written whole or not at all, as a report is.
    QSaveFile file(csvPath);
    QSqlDatabase db = connection.database();
    QString error;
    if (!file.open(QIODevice::WriteOnly) || !exportHistoryCsv(db, file, &error) || !file.commit()) {
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
}
