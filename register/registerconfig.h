#ifndef REGISTERCONFIG_H
#define REGISTERCONFIG_H

#include <QString>

// What an account sets for its register, kept with QSettings under the program's names. What a
// lab decides (intervals, its identity, the decision rule) is kept in the records instead.
struct RegisterConfig
{
    // The lab's server, as a libpq connection string or service name; empty: none. Shared with
    // cvu, whose records go there too.
    QString server;
};

RegisterConfig loadRegisterConfig();
void saveRegisterConfig(const RegisterConfig &config);

#endif
