#ifndef SLOPEWARNING_H
#define SLOPEWARNING_H

#include "runrecord.h"

#include <QString>

// A wrong standard solution, a bubble on the cell or a dying cell gives constants far from the
// sensor's present ones: a calibration whose slope MC moved more than this, in percent of the
// present one, is flagged before it is stored. A lab may set its own (QSettings
// "calibration/slopeWarningPercent").
inline constexpr double defaultSlopeWarningPercent = 10.0;
double slopeWarningPercent();

// What the store question adds when the run's new MC differs from the present one by more than
// the threshold: the change and what to check. Empty when it does not, or when the two cannot be
// compared.
QString slopeChangeWarning(const RunRecord &run, double thresholdPercent);

#endif
