#ifndef SERVERCONNECTION_H
#define SERVERCONNECTION_H

#include <QList>
#include <QString>
#include <utility>

// The lab's server as the programs' settings name it (QSettings "records/server"); empty: none.
QString configuredServer();
void setConfiguredServer(const QString &server);

// A connection to the lab's server as libpq's own parser reads it: key=value pairs, or a
// postgresql:// URI.
struct ServerAddress
{
    bool valid = false;
    QString error; // why it cannot be read, never with a password in it
    QList<std::pair<QString, QString>> options; // as given, libpq's keywords in libpq's order

    bool hasPassword() const;
    QString value(const QString &keyword) const;
    // The same connection without a password, as key=value pairs: what may be shown, printed or
    // kept.
    QString withoutPassword() const;
};
ServerAddress parseServerAddress(const QString &server);
// The server as it may be shown or kept: without a password; a text libpq cannot read is named
// as such, never repeated.
QString serverWithoutPassword(const QString &server);

// Opens a connection to the lab's server under the name, in the calling thread; false and the
// failure in words when it cannot. The server's notices are not passed on to the terminal.
bool openServerConnection(const QString &server, const QString &connectionName, QString *error);

// What a failure to reach or use the server means, in words: the server cannot be reached, it
// refused the name or password, the secure connection failed, or it has no register yet.
QString describeServerError(const QString &driverText);

#endif
