#include "session.h"

#include <QStringList>

SimulatorOptions answeringAtOnce()
{
    SimulatorOptions options;
    options.replyDelayMs = 0;
    return options;
}

SimulatorOptions readingAtOnce()
{
    SimulatorOptions options;
    options.replyDelayMs = 0;
    options.measureDelayMs = 0;
    return options;
}

bool validationReadCorrectly(const DialogDriver &driver)
{
    const char *const stepFields[]
        = { "calLE_Step1", "calLE_Step2", "calLE_Step3", "calLE_Step4", "calLE_Step5" };
    for (size_t step = 0; step < SensorModel::stepReferences.size(); ++step) {
        const QByteArray expected = SensorModel::formatReading(SensorModel::stepReferences[step]);
        if (driver.fieldText(stepFields[step]) != QLatin1String(expected))
            return false;
    }
    return true;
}

bool calibrationReadCorrectly(const DialogDriver &driver)
{
    return driver.fieldText("calLE_Step1") == QString::number(SensorModel::defaultRawLow)
        && driver.fieldText("calLE_Step2") == QString::number(SensorModel::defaultRawHigh);
}
