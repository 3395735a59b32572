#ifndef RUNUNCERTAINTY_H
#define RUNUNCERTAINTY_H

#include "labsettings.h"
#include "register.h"
#include "uncertainty.h"

#include <array>

// A run's results with their uncertainty, from what the lab recorded: the uncertainty module
// computes, the certificate and the register only show.

// The measurand of each step is the sensor's error of indication, its reading less the step's
// reference value; its bounds are the sensor's step tolerances.
inline constexpr double stepReferenceValues[] = { 2.8, 120, 600, 1000, 1700 };
// The calibration's two references.
inline constexpr double calibrationLowReference = 2.8;
inline constexpr double calibrationHighReference = 1748;

// What the lab knows of its measurements' uncertainty for a run.
struct UncertaintyInputs
{
    FixtureReference reference;
    std::array<std::optional<Repeatability>, 5> repeatability;
    QMap<QString, FurtherContribution> further;
    DecisionRule rule = DecisionRule::Simple;

    static UncertaintyInputs of(const LabSettings &lab, const FixtureReference &reference);
    // For a run in the register: the lab's settings as now, the fixture's calibration behind it.
    static UncertaintyInputs forRun(const LabRecords &lab, const RunSummary &run);
};

// One step's result with its uncertainty and what the lab's rule makes of it.
struct StepUncertainty
{
    std::optional<Budget> budget; // none: U cannot be stated
    QString notStated; // why, where it cannot
    DecisionRule rule = DecisionRule::Simple; // the one applied: simple where U cannot be stated
    Decision decision;
    std::optional<double> ratio; // the tolerance's half-width over U
};
StepUncertainty stepUncertainty(
    int step, const StepResult &result, const UncertaintyInputs &inputs);

// A validation's steps with their uncertainty, and the verdict of the whole under the rule
// (every step accepted).
struct ValidationUncertainty
{
    std::array<std::optional<StepUncertainty>, 5> steps;
    bool accepted = false;
    // "Step 2: 120 pS/m, U = 1.4 pS/m, k = 2.01, Pass, risk < 0.1 %", a line a step.
    QString summary() const;
};
ValidationUncertainty validationUncertainty(
    const ValidationResult &validation, const UncertaintyInputs &inputs);

// The contributions to a step's uncertainty, each with its distribution and degrees of
// freedom; none, and why, where the reference's own is not recorded.
std::optional<QList<Contribution>> stepContributions(
    int step, const QString &readingText, const UncertaintyInputs &inputs, QString *whyNot);

// The uncertainty of the new constants of an adjustment; none, and why, where the records or
// the lab's entries do not hold what it needs.
std::optional<ConstantsUncertainty> adjustmentUncertainty(
    const Adjustment &adjustment, const UncertaintyInputs &inputs, QString *whyNot);

#endif
