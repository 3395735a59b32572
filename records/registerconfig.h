#ifndef REGISTERCONFIG_H
#define REGISTERCONFIG_H

#include "certificate.h"
#include "register.h"

// What a lab sets for its register, kept with QSettings under the program's names.
struct RegisterConfig
{
    RegisterSettings settings;
    Laboratory laboratory = Laboratory::fromReport();
    // The lab's server, as a libpq connection string or service name; empty: none. Shared with
    // cvu, whose records go there too.
    QString server;
};

RegisterConfig loadRegisterConfig();
void saveRegisterConfig(const RegisterConfig &config);

#endif
