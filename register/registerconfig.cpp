#include "registerconfig.h"

#include "serverconnection.h"

RegisterConfig loadRegisterConfig()
{
    return { configuredServer() };
}

void saveRegisterConfig(const RegisterConfig &config)
{
    setConfiguredServer(config.server);
}
