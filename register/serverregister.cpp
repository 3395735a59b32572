#include "serverregister.h"

#include "recordsdatabase.h"
#include "recordssender.h"
#include "serverinit.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {
constexpr char testConnection[] = "cvu-records-server-test";

// Texts outside any window, in the translations under "Records".
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Records)
};
}

bool openServerRegister(const QString &server, const QString &connectionName, QString *error)
{
    if (!openServerConnection(server, connectionName, error))
        return false;
    QSqlDatabase db = QSqlDatabase::database(connectionName);
    *error = registerProblem(db);
    return error->isEmpty();
}

QString testServer(const QString &server)
{
    if (server.isEmpty())
        return Texts::tr("No server is set: the records stay on this computer.");
    QString result;
    QString error;
    if (openServerRegister(server, QLatin1String(testConnection), &error)) {
        QSqlQuery count(QSqlDatabase::database(QLatin1String(testConnection)));
        if (count.exec(QStringLiteral("SELECT count(*), count(DISTINCT source) FROM events"))
            && count.next())
            result = Texts::tr("Connected: the lab's register holds %1 records from %2 benches.")
                         .arg(count.value(0).toLongLong())
                         .arg(count.value(1).toLongLong());
        else
            result = describeServerError(count.lastError().text());
    } else {
        result = error;
    }
    RecordsDatabase::close(QLatin1String(testConnection));
    return result;
}
