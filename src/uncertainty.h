#ifndef UNCERTAINTY_H
#define UNCERTAINTY_H

#include <QList>
#include <QString>
#include <optional>

// Measurement uncertainty as JCGM 100:2008 (the GUM) evaluates it, and the decisions ILAC-G8
// makes with it: arithmetic only, no widget, so the certificate, the register and the tests all
// take the same numbers from here.

// How a contribution's standard uncertainty was had from what the lab knows of it.
enum class Distribution {
    Normal, // an expanded uncertainty divided by its coverage factor, or a standard deviation
    Rectangular, // a half-width a: u = a / sqrt(3); a resolution step q: u = q / sqrt(12)
    Triangular, // a half-width a: u = a / sqrt(6)
};
QString distributionName(Distribution distribution);

// One input's share of a result's uncertainty, in the result's unit (after its sensitivity
// coefficient): GUM 5.1.3.
struct Contribution
{
    QString name;
    double standardUncertainty = 0;
    Distribution distribution = Distribution::Normal;
    std::optional<double> degreesOfFreedom; // none: infinite (GUM G.4.3)
    QString basis; // how it was had, in words: "U = 1.2 pS/m, k = 2"
};

// The coverage probability of an expanded uncertainty here: about 95 %, as with k = 2 for a
// normal distribution (GUM 6.2.2, G.3, Table G.2).
inline constexpr double coverageProbability = 0.9545;

// A result's uncertainty budget: each contribution, their combination by root sum of squares
// (GUM 5.1.2, uncorrelated inputs), the effective degrees of freedom by the Welch-Satterthwaite
// formula (GUM G.4.1), and the coverage factor and expanded uncertainty.
struct Budget
{
    QList<Contribution> contributions;
    double combined = 0;
    std::optional<double> effectiveDegreesOfFreedom; // none: infinite
    double coverageFactor = 2;
    double expanded = 0;
};
Budget budgetOf(const QList<Contribution> &contributions);

// The coverage factor for about 95 % with these effective degrees of freedom: k = 2 when they
// are infinite, otherwise Student's t for the probability, the degrees taken down to a whole
// number as GUM G.4.1 says.
double coverageFactorFor(std::optional<double> effectiveDegreesOfFreedom);

// Student's t distribution with `degrees` degrees of freedom: its distribution function, and
// the value below which the probability p lies (two-sided p of 0.9545 is t at 0.977 25).
double studentCdf(double t, double degrees);
double studentQuantile(double p, double degrees);
// The standard normal distribution function.
double normalCdf(double z);

// The contribution of a reading's resolution: the last digit of the text as sent ("120.3" reads
// to 0.1), rectangular over that step: u = q / sqrt(12) (GUM F.2.2.1). None for a text with no
// number.
std::optional<double> resolutionOf(const QString &readingText);

// The decision rules a lab may apply to a step's verdict (ILAC-G8:09/2019 4.2).
enum class DecisionRule {
    Simple, // w = 0: accepted within the bounds (4.2.1)
    Guarded, // w = U: accepted only within the bounds narrowed by U (4.2.2)
    NonBinary, // Pass, Conditional Pass, Conditional Fail, Fail (4.2.3)
};
std::optional<DecisionRule> decisionRuleNamed(const QString &name);
QString decisionRuleName(DecisionRule rule);

enum class StepVerdict { Pass, ConditionalPass, ConditionalFail, Fail };
QString verdictText(StepVerdict verdict);

// What a step's reading means under a rule: its verdict, and the specific risk that the true
// value lies outside the bounds, from the normal distribution with the combined standard
// uncertainty (ILAC-G8 4.3, JCGM 106).
struct Decision
{
    StepVerdict verdict = StepVerdict::Fail;
    double risk = 0; // probability, 0 to 1
    bool accepted() const
    {
        return verdict == StepVerdict::Pass || verdict == StepVerdict::ConditionalPass;
    }
};
Decision decide(DecisionRule rule, double reading, double lower, double upper, double combined,
    double expanded);

// The test uncertainty ratio: the tolerance's half-width over the expanded uncertainty.
double testUncertaintyRatio(double lower, double upper, double expanded);
// Below this ratio the uncertainty is large against the tolerance, and the certificate says so.
inline constexpr double lowestComfortableRatio = 4;

// The uncertainty of the constants a calibration computes, MC = (Rh - Rl) / (H - L) and
// BC = Rl - MC L, propagated to first order (GUM 5.1.2) from the spread of the raw readings
// averaged at each reference (their averages cut to whole counts), and the uncertainties of the
// two references' values.
struct ConstantsUncertainty
{
    Budget slope;
    Budget offset;
};
struct CalibrationInputs
{
    QList<int> low, high; // the counted raw readings at each reference
    double referenceLow = 0, referenceHigh = 0; // pS/m
    double uncertaintyLow = 0, uncertaintyHigh = 0; // standard uncertainties, pS/m
};
std::optional<ConstantsUncertainty> constantsUncertainty(const CalibrationInputs &inputs);

// An expanded uncertainty as a certificate gives it: two significant digits (GUM 7.2.6).
QString uncertaintyText(double expanded);
// A coverage factor: "2", or "2.01" from Student's t.
QString coverageFactorText(double k);
// A probability as a percentage a reader takes in: "6.8 %", "< 0.1 %".
QString riskText(double risk);

#endif
