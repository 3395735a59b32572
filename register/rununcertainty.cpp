#include "rununcertainty.h"

#include <QCoreApplication>
#include <cmath>

namespace {
// Texts outside any window, in the translations under "Uncertainty".
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Uncertainty)
};

// The reference's standard uncertainty from its certificate's expanded one: u = U / k.
std::optional<double> referenceStandardUncertainty(
    const std::optional<double> &expanded, const FixtureReference &reference)
{
    if (!expanded || !reference.coverageFactor)
        return std::nullopt;
    return *expanded / *reference.coverageFactor;
}
}

UncertaintyInputs UncertaintyInputs::of(const LabSettings &lab, const FixtureReference &reference)
{
    return { reference, lab.repeatability, lab.furtherContributions,
        decisionRuleNamed(lab.decisionRule).value_or(DecisionRule::Simple) };
}

UncertaintyInputs UncertaintyInputs::forRun(const LabRecords &lab, const RunSummary &run)
{
    return of(lab.settingsAt(),
        lab.referenceFor(run.fixture.serial.toUtf8(), run.started.date(), run.firstEventSeq));
}

ValidationUncertainty validationUncertainty(
    const ValidationResult &validation, const UncertaintyInputs &inputs)
{
    ValidationUncertainty result;
    result.accepted = true;
    for (int step = 1; step <= 5; ++step) {
        if (const std::optional<StepResult> &reading = validation.steps[size_t(step - 1)]) {
            result.steps[size_t(step - 1)] = stepUncertainty(step, *reading, inputs);
            result.accepted
                = result.accepted && result.steps[size_t(step - 1)]->decision.accepted();
        }
    }
    return result;
}

QString ValidationUncertainty::summary() const
{
    QStringList lines;
    for (int step = 1; step <= 5; ++step) {
        const std::optional<StepUncertainty> &uncertainty = steps[size_t(step - 1)];
        if (!uncertainty)
            continue;
        lines.append(uncertainty->budget
                ? Texts::tr("Step %1: U = %2 pS/m, k = %3, %4, risk %5")
                      .arg(step)
                      .arg(uncertaintyText(uncertainty->budget->expanded),
                          coverageFactorText(uncertainty->budget->coverageFactor),
                          verdictText(uncertainty->decision.verdict),
                          riskText(uncertainty->decision.risk))
                : Texts::tr("Step %1: U not stated (%2), %3")
                      .arg(step)
                      .arg(uncertainty->notStated, verdictText(uncertainty->decision.verdict)));
    }
    return lines.join(QLatin1Char('\n'));
}

std::optional<QList<Contribution>> stepContributions(
    int step, const QString &readingText, const UncertaintyInputs &inputs, QString *whyNot)
{
    const std::optional<double> &expanded = inputs.reference.expandedUncertainty[size_t(step - 1)];
    const std::optional<double> reference
        = referenceStandardUncertainty(expanded, inputs.reference);
    if (!reference) {
        *whyNot = Texts::tr("the reference standard's uncertainty at this step is not recorded");
        return std::nullopt;
    }
    const std::optional<double> resolution = resolutionOf(readingText);
    if (!resolution) {
        *whyNot = Texts::tr("the reading is not a number");
        return std::nullopt;
    }
    QList<Contribution> contributions {
        { Texts::tr("reference standard"), *reference, Distribution::Normal, std::nullopt,
            Texts::tr("U = %1 pS/m, k = %2")
                .arg(*expanded)
                .arg(coverageFactorText(*inputs.reference.coverageFactor)) },
        { Texts::tr("resolution"), *resolution / std::sqrt(12.0), Distribution::Rectangular,
            std::nullopt, Texts::tr("reads to %1 pS/m, u = step / sqrt(12)").arg(*resolution) },
    };
    if (const std::optional<Repeatability> &repeatability = inputs.repeatability[size_t(step - 1)])
        contributions.append({ Texts::tr("repeatability"), repeatability->deviation,
            Distribution::Normal, double(repeatability->readings - 1),
            Texts::tr("s = %1 pS/m over %2 readings")
                .arg(repeatability->deviation)
                .arg(repeatability->readings) });
    for (auto further = inputs.further.cbegin(); further != inputs.further.cend(); ++further)
        contributions.append({ further.key(), further->standardUncertainty(), further->distribution,
            further->degreesOfFreedom,
            further->distribution == Distribution::Normal
                ? Texts::tr("u = %1 pS/m").arg(further->value)
                : Texts::tr("half-width %1 pS/m").arg(further->value) });
    return contributions;
}

StepUncertainty stepUncertainty(int step, const StepResult &result, const UncertaintyInputs &inputs)
{
    StepUncertainty uncertainty;
    const std::optional<QList<Contribution>> contributions
        = stepContributions(step, result.text, inputs, &uncertainty.notStated);
    if (contributions) {
        uncertainty.budget = budgetOf(*contributions);
        uncertainty.rule = inputs.rule;
        uncertainty.ratio
            = testUncertaintyRatio(result.lower, result.upper, uncertainty.budget->expanded);
    }
    // Without U no guard band can be drawn: the lab's rule falls back to simple acceptance,
    // whose risk is then not known.
    const double combined = uncertainty.budget ? uncertainty.budget->combined : std::nan("");
    const double expanded = uncertainty.budget ? uncertainty.budget->expanded : 0;
    uncertainty.decision
        = decide(uncertainty.rule, result.value, result.lower, result.upper, combined, expanded);
    return uncertainty;
}

std::optional<ConstantsUncertainty> adjustmentUncertainty(
    const Adjustment &adjustment, const UncertaintyInputs &inputs, QString *whyNot)
{
    const std::optional<double> low
        = referenceStandardUncertainty(inputs.reference.expandedUncertainty[0], inputs.reference);
    const std::optional<double> high
        = referenceStandardUncertainty(inputs.reference.highReferenceUncertainty, inputs.reference);
    if (!low || !high) {
        *whyNot = Texts::tr("the uncertainties of the calibration's references (u1 and u-high, "
                            "with k) are not recorded");
        return std::nullopt;
    }
    const std::optional<ConstantsUncertainty> constants
        = constantsUncertainty({ adjustment.lowReadings, adjustment.highReadings,
            calibrationLowReference, calibrationHighReference, *low, *high });
    if (!constants)
        *whyNot
            = Texts::tr("the records do not hold the readings the constants were computed from");
    return constants;
}
