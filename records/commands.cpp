#include "commands.h"

#include "chaincheck.h"
#include "historyexport.h"
#include "recordsdatabase.h"

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

int exportCsv(const QString &databasePath, const QString &csvPath, QTextStream &out, QTextStream &err)
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
}
