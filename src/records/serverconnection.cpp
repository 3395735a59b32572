#include "serverconnection.h"

#include <QCoreApplication>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>

namespace {
constexpr int connectTimeoutSeconds = 10;
constexpr char serverSetting[] = "records/server";

// Texts outside any window, in the translations under "Records".
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Records)
};

// Qt joins its connect options with blanks into libpq's connection string; a dead host must not
// hold a sender for minutes.
QString connectOptionsOf(const QString &server)
{
    QString options = server.simplified();
    if (!options.contains(QLatin1String("connect_timeout")))
        options += QStringLiteral(" connect_timeout=%1").arg(connectTimeoutSeconds);
    return options.replace(QLatin1Char(' '), QLatin1Char(';'));
}
}

QString configuredServer()
{
    return QSettings().value(QLatin1String(serverSetting)).toString();
}

void setConfiguredServer(const QString &server)
{
    QSettings().setValue(QLatin1String(serverSetting), server);
}

bool openServerConnection(const QString &server, const QString &connectionName, QString *error)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    db.setConnectOptions(connectOptionsOf(server));
    if (db.open())
        return true;
    *error = describeServerError(db.lastError().text());
    return false;
}

QString describeServerError(const QString &driverText)
{
    const QString detail = driverText.simplified();
    const auto says = [&](const char *words) {
        return detail.contains(QLatin1String(words), Qt::CaseInsensitive);
    };
    if (says("authentication failed") || says("no password supplied"))
        return Texts::tr(
            "The server refused the account's name or password (the password is kept in "
            ".pgpass or PGPASSFILE): %1")
            .arg(detail);
    if (says("SSL") || says("certificate"))
        return Texts::tr("The secure connection (TLS) to the server failed: %1").arg(detail);
    if (says("relation \"events\" does not exist"))
        return Texts::tr("The server has no calibration register yet; its owner sets it up with "
                         "cvu-records server-init: %1")
            .arg(detail);
    if (says("permission denied"))
        return Texts::tr("The account may not use the register; make it a member of cvu_bench: %1")
            .arg(detail);
    if (says("could not connect") || says("connection refused")
        || says("could not translate host name") || says("timeout expired")
        || says("network is unreachable") || says("server closed the connection")
        || says("no connection to the server") || says("terminating connection")
        || says("is the server running") || says("the database system is"))
        return Texts::tr("The server cannot be reached: %1").arg(detail);
    if (says("database") && says("does not exist"))
        return Texts::tr("The server has no database of that name: %1").arg(detail);
    return Texts::tr("The server refused: %1").arg(detail);
}
