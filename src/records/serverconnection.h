#ifndef SERVERCONNECTION_H
#define SERVERCONNECTION_H

#include <QString>

// The lab's server as the programs' settings name it (QSettings "records/server"); empty: none.
QString configuredServer();
void setConfiguredServer(const QString &server);

// Opens a connection to the lab's server under the name, in the calling thread; false and the
// failure in words when it cannot.
bool openServerConnection(const QString &server, const QString &connectionName, QString *error);

// What a failure to reach or use the server means, in words: the server cannot be reached, it
// refused the name or password, the secure connection failed, or it has no register yet.
QString describeServerError(const QString &driverText);

#endif
