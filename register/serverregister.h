#ifndef SERVERREGISTER_H
#define SERVERREGISTER_H

#include <QSqlDatabase>
#include <QString>

// The lab's register on its server, where one is set and can be reached.

// Connects and looks at the register: what it holds, or what failed, in words.
QString testServer(const QString &server);

// Opens a connection to the server's register under the name; false, and why in words, when
// the server cannot be reached or has no register.
bool openServerRegister(const QString &server, const QString &connectionName, QString *error);

#endif
