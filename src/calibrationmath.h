#ifndef CALIBRATIONMATH_H
#define CALIBRATIONMATH_H

#include <QString>

// The fixture's two calibration references: the low one at 2.8 pS/m and the high one 1745.2 pS/m
// above it.
inline constexpr double lowReference = 2.8;
inline constexpr double referenceSpan = 1745.2;
inline constexpr int samplesPerSet = 5;

struct CalibrationConstants
{
    double slope; // MC
    double offset; // BC
    // Constants the sensor can be given: numbers, and a slope that shows as more than zero (zero
    // would make every reading the same; below it, readings would fall as conductivity rises).
    // Equal averages, a high one below the low one, or averages absurdly far apart give none.
    bool canBeStored() const;
};

// Average of a set of raw samples, truncated toward zero. The sum is 64-bit so five samples of
// any 32-bit value cannot overflow it.
qint64 sampleAverage(qint64 sum);

// MC and BC that map the low average onto the low reference and the high one onto the high
// reference. Equal averages give constants that are not finite.
CalibrationConstants computeCalibrationConstants(qint64 lowAverage, qint64 highAverage);

// The texts the sensor is sent, exactly as the dialog shows them.
QString slopeDisplayText(double slope);
QString offsetDisplayText(double offset);

#endif
