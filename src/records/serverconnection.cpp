#include "serverconnection.h"

#include "logging.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <libpq-fe.h>
#include <mutex>

namespace {
constexpr int connectTimeoutSeconds = 10;
constexpr char serverSetting[] = "records/server";
constexpr char passwordKeyword[] = "password";
constexpr char hidden[] = "********";

// Texts outside any window, in the translations under "Records".
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Records)
};

// A value as libpq reads it back: quoted, with its quotes and backslashes escaped, where it is
// empty or holds anything but plain characters.
QString quotedValue(const QString &value)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./:@,+-]+$"));
    if (plain.match(value).hasMatch())
        return value;
    QString escaped = value;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    escaped.replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

// libpq's own words about a text it cannot read may quote the text; any password in it is
// blotted out first.
QString withoutSecrets(QString message, const QString &server)
{
    static const QList<QRegularExpression> secrets {
        QRegularExpression(QStringLiteral("password\\s*=\\s*('(?:[^'\\\\]|\\\\.)*'?|[^\\s&]+)")),
        QRegularExpression(QStringLiteral("://[^:/@?]*:([^@/?]*)@")),
    };
    for (const QRegularExpression &secret : secrets) {
        auto found = secret.globalMatch(server);
        while (found.hasNext()) {
            const QString text = found.next().captured(1);
            if (!text.isEmpty())
                message.replace(text, QLatin1String(hidden));
        }
    }
    return message;
}
}

bool ServerAddress::hasPassword() const
{
    return std::any_of(options.cbegin(), options.cend(),
        [](const auto &option) { return option.first == QLatin1String(passwordKeyword); });
}

QString ServerAddress::value(const QString &keyword) const
{
    for (const auto &option : options) {
        if (option.first == keyword)
            return option.second;
    }
    return {};
}

QString ServerAddress::withoutPassword() const
{
    QStringList pairs;
    for (const auto &[keyword, value] : options) {
        if (keyword != QLatin1String(passwordKeyword))
            pairs.append(keyword + QLatin1Char('=') + quotedValue(value));
    }
    return pairs.join(QLatin1Char(' '));
}

ServerAddress parseServerAddress(const QString &server)
{
    ServerAddress address;
    char *failure = nullptr;
    PQconninfoOption *parsed = PQconninfoParse(server.toUtf8().constData(), &failure);
    if (!parsed) {
        address.error = failure ? withoutSecrets(QString::fromUtf8(failure).trimmed(), server)
                                : Texts::tr("out of memory");
        PQfreemem(failure);
        return address;
    }
    for (const PQconninfoOption *option = parsed; option->keyword; ++option) {
        if (option->val)
            address.options.append(
                { QString::fromUtf8(option->keyword), QString::fromUtf8(option->val) });
    }
    PQconninfoFree(parsed);
    address.valid = true;
    return address;
}

namespace {
QtMessageHandler nextHandler = nullptr;

// Qt's PostgreSQL driver tells the terminal of every statement it could not finish on a
// connection the server dropped ("QPSQLDriver::rollbackTransaction: Database not open", "Unable
// to free statement"); the program already says, in words, that the server cannot be reached.
// Those go to the records' debug traces.
void keepDriverWordsInTraces(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtWarningMsg
        && (text.startsWith(QLatin1String("QPSQLDriver::"))
            || text.startsWith(QLatin1String("Unable to free statement")))) {
        qCDebug(lcRecords) << "driver:" << text;
        return;
    }
    nextHandler(type, context, text);
}

// The server's notices and warnings (a shutdown it announces) go the same way.
void noticeToTraces(void *, const char *message)
{
    qCDebug(lcRecords) << "server:" << QString::fromUtf8(message).trimmed();
}

void quietenServerTalk(QSqlDatabase &db)
{
    static std::once_flag installed;
    std::call_once(
        installed, [] { nextHandler = qInstallMessageHandler(keepDriverWordsInTraces); });
    const QVariant handle = db.driver()->handle();
    if (handle.isValid()
        && (qstrcmp(handle.typeName(), "PGconn*") == 0
            || qstrcmp(handle.typeName(), "pg_conn*") == 0)) {
        if (PGconn *connection = *static_cast<PGconn *const *>(handle.constData()))
            PQsetNoticeProcessor(connection, noticeToTraces, nullptr);
    }
}
}

QString serverWithoutPassword(const QString &server)
{
    const ServerAddress address = parseServerAddress(server);
    return address.valid ? address.withoutPassword()
                         : Texts::tr("(a connection string libpq cannot read)");
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
    const ServerAddress address = parseServerAddress(server);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    if (!address.valid) {
        *error = Texts::tr("The server's connection string cannot be read: %1").arg(address.error);
        return false;
    }
    // Qt joins its connect options with blanks after turning every ';' into one, so only the
    // password, which Qt quotes itself, may hold one.
    QStringList options;
    bool timeoutGiven = false;
    for (const auto &[keyword, value] : address.options) {
        if (keyword == QLatin1String(passwordKeyword)) {
            db.setPassword(value);
            continue;
        }
        if (value.contains(QLatin1Char(';'))) {
            *error = Texts::tr("The server's connection string cannot be used: the value of %1 "
                               "holds a ';'.")
                         .arg(keyword);
            return false;
        }
        timeoutGiven = timeoutGiven || keyword == QLatin1String("connect_timeout");
        options.append(keyword + QLatin1Char('=') + quotedValue(value));
    }
    // A dead host must not hold a sender for minutes.
    if (!timeoutGiven)
        options.append(QStringLiteral("connect_timeout=%1").arg(connectTimeoutSeconds));
    db.setConnectOptions(options.join(QLatin1Char(';')));
    if (!db.open()) {
        *error = describeServerError(withoutSecrets(db.lastError().text(), server));
        return false;
    }
    // The server's notices ("... already exists, skipping") are for a database administrator's
    // console, not for a technician's terminal.
    quietenServerTalk(db);
    QSqlQuery(db).exec(QStringLiteral("SET client_min_messages = warning"));
    return true;
}

QString describeServerError(const QString &driverText)
{
    // Qt adds its driver's own word ("QPSQL: Unable to create query") to the server's.
    static const QRegularExpression driversWord(QStringLiteral("\\s*QPSQL: [^\\n]*$"));
    const QString detail = QString(driverText).remove(driversWord).simplified();
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
    if (says("column") && says("does not exist"))
        return Texts::tr("The server's table events is not the lab's calibration register (it has "
                         "another shape); its owner sets the register up in a database of its "
                         "own with cvu-records server-init: %1")
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
