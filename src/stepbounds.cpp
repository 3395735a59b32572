#include "stepbounds.h"

#include <array>

namespace {
constexpr std::array<StepBounds, validationStepCount> bounds { {
    { 0.1, 5.5 },
    { 101, 139 },
    { 555, 645 },
    { 942, 1058 },
    { 1623, 1777 },
} };
}

StepBounds stepBounds(int step)
{
    Q_ASSERT(step >= 1 && step <= validationStepCount);
    return bounds[static_cast<size_t>(step - 1)];
}

double readingValue(const QString &text)
{
    // toDouble ignores surrounding blanks and yields 0 for anything that is not a number.
    return text.toDouble();
}

bool stepPasses(int step, const QString &reading)
{
    const StepBounds b = stepBounds(step);
    const double v = readingValue(reading);
    return v >= b.lower && v <= b.upper;
}
