#ifndef STEPBOUNDS_H
#define STEPBOUNDS_H

#include <QString>

// The five reference steps of a validation run and the readings that pass them.
constexpr int validationStepCount = 5;

struct StepBounds
{
    double lower;
    double upper;
};

// Inclusive PASS bounds of step 1..5.
StepBounds stepBounds(int step);

// A reading as the technician sees it in a step field; text that is not a number reads as 0,
// which lies below every lower bound.
double readingValue(const QString &text);

bool stepPasses(int step, const QString &reading);

#endif
