#include "registerconfig.h"

#include "recordssender.h"

#include <QSettings>

namespace {
constexpr char sensorInterval[] = "register/sensorIntervalMonths";
constexpr char fixtureInterval[] = "register/fixtureIntervalMonths";
constexpr char labName[] = "register/laboratoryName";
constexpr char labAddress[] = "register/laboratoryAddress";
}

RegisterConfig loadRegisterConfig()
{
    const QSettings stored;
    RegisterConfig config;
    config.settings.sensorIntervalMonths
        = stored.value(sensorInterval, config.settings.sensorIntervalMonths).toInt();
    config.settings.fixtureIntervalMonths
        = stored.value(fixtureInterval, config.settings.fixtureIntervalMonths).toInt();
    config.laboratory.name = stored.value(labName, config.laboratory.name).toString();
    config.laboratory.address = stored.value(labAddress, config.laboratory.address).toStringList();
    config.server = configuredServer();
    return config;
}

void saveRegisterConfig(const RegisterConfig &config)
{
    QSettings stored;
    stored.setValue(sensorInterval, config.settings.sensorIntervalMonths);
    stored.setValue(fixtureInterval, config.settings.fixtureIntervalMonths);
    stored.setValue(labName, config.laboratory.name);
    stored.setValue(labAddress, config.laboratory.address);
    setConfiguredServer(config.server);
}
