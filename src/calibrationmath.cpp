#include "calibrationmath.h"

#include <cmath>

bool CalibrationConstants::canBeStored() const
{
    // Counts rise with conductivity: a slope that is not positive as sent fits no sensor.
    return std::isfinite(slope) && std::isfinite(offset) && slopeDisplayText(slope).toDouble() > 0;
}

qint64 sampleAverage(qint64 sum)
{
    return sum / samplesPerSet;
}

CalibrationConstants computeCalibrationConstants(qint64 lowAverage, qint64 highAverage)
{
    const double slope = referenceSpan / double(highAverage - lowAverage);
    return { slope, lowReference - slope * double(lowAverage) };
}

QString slopeDisplayText(double slope)
{
    return QString::number(slope, 'f', 6);
}

QString offsetDisplayText(double offset)
{
    return QString::number(offset, 'f', 5);
}
