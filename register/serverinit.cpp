#include "serverinit.h"

#include "serverconnection.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {
// Texts outside any window, in the translations under "Records".
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Records)
};

// What a failed step needs, in words, from what the server said.
QString remedyFor(const QString &serverText)
{
    const auto says = [&](const char *words) {
        return serverText.contains(QLatin1String(words), Qt::CaseInsensitive);
    };
    if (says("permission denied to create role"))
        return Texts::tr("The owner may not create roles. A superuser gives it that right with: "
                         "ALTER ROLE <owner> CREATEROLE; (or makes it with createuser "
                         "--createrole).");
    if (says("must be owner of"))
        return Texts::tr("An object of that name in this database belongs to another role. Set "
                         "the register up as the database's owner, in a database of its own.");
    if (says("does not exist") && says("column"))
        return Texts::tr("The database already holds a table events that is not the register. "
                         "Set the register up in a database of its own.");
    if (says("permission denied"))
        return Texts::tr("The role lacks a right the register needs: run server-init as the "
                         "database's owner, a role that may create roles.");
    return {};
}

QString firstLineOf(const QString &statement)
{
    return statement.section(QLatin1Char('\n'), 0, 0).simplified();
}

const QStringList &registerColumns()
{
    static const QStringList columns { "seq", "id", "run", "kind", "utc_ms", "utc_offset_s",
        "sensor_serial", "fixture_serial", "verdict", "payload", "hash", "bench", "source",
        "source_seq", "received", "sent_by" };
    return columns;
}
}

QStringList sqlStatements(const QString &script)
{
    QStringList statements;
    QString current;
    QString dollarTag; // inside a $tag$ ... $tag$ body while not empty
    bool quoted = false, identifier = false, comment = false;
    for (qsizetype i = 0; i < script.size(); ++i) {
        const QChar c = script.at(i);
        if (comment) {
            comment = c != u'\n';
            if (!comment)
                current += c;
            continue;
        }
        if (!dollarTag.isEmpty()) {
            if (script.mid(i, dollarTag.size()) == dollarTag) {
                current += dollarTag;
                i += dollarTag.size() - 1;
                dollarTag.clear();
            } else {
                current += c;
            }
            continue;
        }
        if (quoted || identifier) {
            current += c;
            if ((quoted && c == u'\'') || (identifier && c == u'"'))
                quoted = identifier = false;
            continue;
        }
        if (c == u'-' && script.mid(i, 2) == QLatin1String("--")) {
            comment = true;
            continue;
        }
        if (c == u'$') {
            const qsizetype close = script.indexOf(u'$', i + 1);
            const QString tag = script.mid(i, close - i + 1);
            static const QRegularExpression dollarQuote(QStringLiteral("^\\$[A-Za-z_]*\\$$"));
            if (close > i && dollarQuote.match(tag).hasMatch()) {
                dollarTag = tag;
                current += tag;
                i = close;
                continue;
            }
        }
        quoted = c == u'\'';
        identifier = c == u'"';
        if (c == u';') {
            if (!current.trimmed().isEmpty())
                statements.append(current.trimmed());
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.trimmed().isEmpty())
        statements.append(current.trimmed());
    return statements;
}

bool setUpRegister(QSqlDatabase &server, QString *error)
{
    QFile schema(QStringLiteral(":/cvu/server-schema.sql"));
    if (!schema.open(QIODevice::ReadOnly)) {
        *error = schema.errorString();
        return false;
    }
    const QStringList statements = sqlStatements(QString::fromUtf8(schema.readAll()));
    // All of it or nothing: a step that fails leaves the server as it was.
    if (!server.transaction()) {
        *error = describeServerError(server.lastError().text());
        return false;
    }
    for (qsizetype step = 0; step < statements.size(); ++step) {
        QSqlQuery query(server);
        if (query.exec(statements.at(step)))
            continue;
        // The server's own sentence, without its ERROR: and the context it was raised in.
        QString said = query.lastError().databaseText().section(QLatin1Char('\n'), 0, 0);
        said = said.remove(QRegularExpression(QStringLiteral("^ERROR:\\s*"))).simplified();
        *error = Texts::tr("Step %1 of %2 of the register's setup failed (%3): %4")
                     .arg(step + 1)
                     .arg(statements.size())
                     .arg(firstLineOf(statements.at(step)), said);
        const QString remedy = remedyFor(said);
        if (!remedy.isEmpty())
            *error += QLatin1Char(' ') + remedy;
        if (server.isOpen())
            server.rollback();
        return false;
    }
    if (!server.commit()) {
        *error = describeServerError(server.lastError().text());
        return false;
    }
    *error = registerProblem(server);
    return error->isEmpty();
}

QString registerProblem(QSqlDatabase &server)
{
    // The catalogue shows every role a table's columns, whatever its rights on them.
    QSqlQuery columns(server);
    columns.prepare(QStringLiteral("SELECT attname FROM pg_attribute WHERE attrelid ="
                                   " to_regclass(?) AND attnum > 0 AND NOT attisdropped"));
    columns.addBindValue(QStringLiteral("events"));
    if (!columns.exec())
        return describeServerError(columns.lastError().text());
    QSet<QString> present;
    while (columns.next())
        present.insert(columns.value(0).toString());
    if (present.isEmpty())
        return Texts::tr("The server has no calibration register yet; its owner sets it up with "
                         "cvu-records server-init.");
    QStringList missing;
    for (const QString &column : registerColumns()) {
        if (!present.contains(column))
            missing.append(column);
    }
    if (!missing.isEmpty())
        return Texts::tr("The server's table events is not the lab's calibration register (it "
                         "lacks %1): its owner sets the register up with cvu-records server-init, "
                         "in a database of its own.")
            .arg(missing.join(QStringLiteral(", ")));
    QSqlQuery parts(server);
    parts.prepare(QStringLiteral(
        "SELECT (SELECT count(*) FROM pg_roles WHERE rolname = ?),"
        " (SELECT count(*) FROM pg_trigger WHERE tgrelid = to_regclass(?) AND tgname IN (?, ?))"));
    parts.addBindValue(QStringLiteral("cvu_bench"));
    parts.addBindValue(QStringLiteral("events"));
    parts.addBindValue(QStringLiteral("events_never_change"));
    parts.addBindValue(QStringLiteral("events_continue_chains"));
    if (!parts.exec() || !parts.next())
        return describeServerError(parts.lastError().text());
    if (parts.value(0).toInt() != 1)
        return Texts::tr("The server's register has no group role cvu_bench: its owner runs "
                         "cvu-records server-init again.");
    if (parts.value(1).toInt() != 2)
        return Texts::tr("The server's register lacks the triggers that keep it append-only and "
                         "each bench's chain whole: its owner runs cvu-records server-init "
                         "again.");
    return {};
}
