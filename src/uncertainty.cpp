#include "uncertainty.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// Texts outside any window, in the translations under "Uncertainty".
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Uncertainty)
};

// ln of the complete beta function.
double logBeta(double a, double b)
{
    return std::lgamma(a) + std::lgamma(b) - std::lgamma(a + b);
}

// The continued fraction of the regularized incomplete beta function (Lentz's method).
double betaFraction(double a, double b, double x)
{
    constexpr int iterations = 300;
    constexpr double tiny = 1e-300;
    constexpr double precision = 1e-15;
    double c = 1;
    double d = 1 - (a + b) * x / (a + 1);
    d = 1 / (std::abs(d) < tiny ? tiny : d);
    double fraction = d;
    const auto step = [&](double numerator) {
        d = 1 + numerator * d;
        d = 1 / (std::abs(d) < tiny ? tiny : d);
        c = 1 + numerator / c;
        c = std::abs(c) < tiny ? tiny : c;
        fraction *= c * d;
        return c * d;
    };
    for (int m = 1; m <= iterations; ++m) {
        step(m * (b - m) * x / ((a + 2 * m - 1) * (a + 2 * m)));
        const double change = step(-(a + m) * (a + b + m) * x / ((a + 2 * m) * (a + 2 * m + 1)));
        if (std::abs(change - 1) < precision)
            break;
    }
    return fraction;
}

// The regularized incomplete beta function I_x(a, b).
double incompleteBeta(double a, double b, double x)
{
    if (x <= 0)
        return 0;
    if (x >= 1)
        return 1;
    const double front = std::exp(a * std::log(x) + b * std::log1p(-x) - logBeta(a, b));
    // The fraction converges fast on the side of the mean; the other side by symmetry.
    if (x < (a + 1) / (a + b + 2))
        return front * betaFraction(a, b, x) / a;
    return 1 - front * betaFraction(b, a, 1 - x) / b;
}

double squared(double value)
{
    return value * value;
}
}

QString distributionName(Distribution distribution)
{
    switch (distribution) {
    case Distribution::Normal:
        return Texts::tr("normal");
    case Distribution::Rectangular:
        return Texts::tr("rectangular");
    case Distribution::Triangular:
        return Texts::tr("triangular");
    }
    return {};
}

double normalCdf(double z)
{
    return 0.5 * std::erfc(-z / std::sqrt(2.0));
}

double studentCdf(double t, double degrees)
{
    const double tail = 0.5 * incompleteBeta(degrees / 2, 0.5, degrees / (degrees + t * t));
    return t >= 0 ? 1 - tail : tail;
}

double studentQuantile(double p, double degrees)
{
    // The distribution function rises steadily: halving an interval that holds the value.
    double low = -1000, high = 1000;
    for (int step = 0; step < 200; ++step) {
        const double middle = (low + high) / 2;
        (studentCdf(middle, degrees) < p ? low : high) = middle;
    }
    return (low + high) / 2;
}

double coverageFactorFor(std::optional<double> effectiveDegreesOfFreedom)
{
    if (!effectiveDegreesOfFreedom)
        return 2;
    const double degrees = std::max(1.0, std::floor(*effectiveDegreesOfFreedom));
    return studentQuantile(1 - (1 - coverageProbability) / 2, degrees);
}

Budget budgetOf(const QList<Contribution> &contributions)
{
    Budget budget;
    budget.contributions = contributions;
    double variance = 0;
    double finiteShare = 0; // sum of u_i^4 / nu_i
    for (const Contribution &contribution : contributions) {
        variance += squared(contribution.standardUncertainty);
        if (contribution.degreesOfFreedom)
            finiteShare += squared(squared(contribution.standardUncertainty))
                / *contribution.degreesOfFreedom;
    }
    budget.combined = std::sqrt(variance);
    if (finiteShare > 0)
        budget.effectiveDegreesOfFreedom = squared(variance) / finiteShare;
    budget.coverageFactor = coverageFactorFor(budget.effectiveDegreesOfFreedom);
    budget.expanded = budget.coverageFactor * budget.combined;
    return budget;
}

std::optional<double> resolutionOf(const QString &readingText)
{
    const QString text = readingText.trimmed();
    bool isNumber = false;
    text.toDouble(&isNumber);
    if (!isNumber)
        return std::nullopt;
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    const qsizetype decimals = point < 0 ? 0 : text.size() - point - 1;
    return std::pow(10.0, -double(decimals));
}

std::optional<DecisionRule> decisionRuleNamed(const QString &name)
{
    if (name == QLatin1String("simple"))
        return DecisionRule::Simple;
    if (name == QLatin1String("guarded"))
        return DecisionRule::Guarded;
    if (name == QLatin1String("non-binary"))
        return DecisionRule::NonBinary;
    return std::nullopt;
}

QString decisionRuleName(DecisionRule rule)
{
    switch (rule) {
    case DecisionRule::Simple:
        return QStringLiteral("simple");
    case DecisionRule::Guarded:
        return QStringLiteral("guarded");
    case DecisionRule::NonBinary:
        return QStringLiteral("non-binary");
    }
    return {};
}

QString verdictText(StepVerdict verdict)
{
    switch (verdict) {
    case StepVerdict::Pass:
        return Texts::tr("Pass");
    case StepVerdict::ConditionalPass:
        return Texts::tr("Conditional Pass");
    case StepVerdict::ConditionalFail:
        return Texts::tr("Conditional Fail");
    case StepVerdict::Fail:
        return Texts::tr("Fail");
    }
    return {};
}

Decision decide(
    DecisionRule rule, double reading, double lower, double upper, double combined, double expanded)
{
    Decision decision;
    // The probability that the true value lies outside the bounds (GUM 6.2, JCGM 106 7.5).
    decision.risk = combined > 0
        ? normalCdf((lower - reading) / combined) + 1 - normalCdf((upper - reading) / combined)
        : (reading < lower || reading > upper ? 1 : 0);
    const bool within = reading >= lower && reading <= upper;
    const bool withinNarrowed = reading >= lower + expanded && reading <= upper - expanded;
    const bool withinWidened = reading >= lower - expanded && reading <= upper + expanded;
    switch (rule) {
    case DecisionRule::Simple:
        decision.verdict = within ? StepVerdict::Pass : StepVerdict::Fail;
        break;
    case DecisionRule::Guarded:
        decision.verdict = withinNarrowed ? StepVerdict::Pass : StepVerdict::Fail;
        break;
    case DecisionRule::NonBinary:
        decision.verdict = withinNarrowed ? StepVerdict::Pass
            : within                      ? StepVerdict::ConditionalPass
            : withinWidened               ? StepVerdict::ConditionalFail
                                          : StepVerdict::Fail;
        break;
    }
    return decision;
}

double testUncertaintyRatio(double lower, double upper, double expanded)
{
    return expanded > 0 ? (upper - lower) / 2 / expanded : std::numeric_limits<double>::infinity();
}

QString uncertaintyText(double expanded)
{
    if (!(expanded > 0))
        return QStringLiteral("0");
    const int magnitude = int(std::floor(std::log10(expanded)));
    const int decimals = std::max(0, 1 - magnitude);
    return QString::number(expanded, 'f', decimals);
}

QString coverageFactorText(double k)
{
    return std::abs(k - std::round(k)) < 0.005 ? QString::number(std::round(k))
                                               : QString::number(k, 'f', 2);
}

QString riskText(double risk)
{
    const double percent = 100 * risk;
    if (percent < 0.05)
        return QStringLiteral("< 0.1 %");
    if (percent > 99.95)
        return QStringLiteral("> 99.9 %");
    return QStringLiteral("%1 %").arg(percent, 0, 'f', 1);
}

namespace {
struct Spread
{
    double average = 0; // cut toward zero, as the calibration uses it
    double standardUncertainty = 0; // of the average
    std::optional<double> degreesOfFreedom;
};

// The average of readings taken at one reference: its scatter, Type A over the readings
// (GUM 4.2.3), and the cut to a whole count, rectangular over one count.
Spread spreadOf(const QList<int> &readings)
{
    Spread spread;
    const double n = double(readings.size());
    double sum = 0;
    for (const int reading : readings)
        sum += reading;
    const double mean = sum / n;
    double squares = 0;
    for (const int reading : readings)
        squares += squared(reading - mean);
    spread.average = std::trunc(mean);
    spread.standardUncertainty = n > 1 ? std::sqrt(squares / (n - 1) / n) : 0;
    if (n > 1)
        spread.degreesOfFreedom = n - 1;
    return spread;
}

// A constant's partial derivatives by each input of the calibration.
struct Sensitivities
{
    double low, high, referenceLow, referenceHigh;
};

// One constant's budget: the two averages (their scatter and their cut to a whole count) and
// the two references, each through the constant's sensitivity to it.
Budget constantBudget(
    const Spread &low, const Spread &high, const CalibrationInputs &inputs, const Sensitivities &by)
{
    const double cut = 1 / std::sqrt(12.0);
    const auto contribution = [](const char *name, double sensitivity, double u,
                                  Distribution distribution, std::optional<double> dof) {
        return Contribution { Texts::tr(name), std::abs(sensitivity) * u, distribution, dof, {} };
    };
    return budgetOf({
        contribution(QT_TRANSLATE_NOOP("Uncertainty", "low readings' scatter"), by.low,
            low.standardUncertainty, Distribution::Normal, low.degreesOfFreedom),
        contribution(QT_TRANSLATE_NOOP("Uncertainty", "low average cut to a count"), by.low, cut,
            Distribution::Rectangular, std::nullopt),
        contribution(QT_TRANSLATE_NOOP("Uncertainty", "high readings' scatter"), by.high,
            high.standardUncertainty, Distribution::Normal, high.degreesOfFreedom),
        contribution(QT_TRANSLATE_NOOP("Uncertainty", "high average cut to a count"), by.high, cut,
            Distribution::Rectangular, std::nullopt),
        contribution(QT_TRANSLATE_NOOP("Uncertainty", "low reference"), by.referenceLow,
            inputs.uncertaintyLow, Distribution::Normal, std::nullopt),
        contribution(QT_TRANSLATE_NOOP("Uncertainty", "high reference"), by.referenceHigh,
            inputs.uncertaintyHigh, Distribution::Normal, std::nullopt),
    });
}
}

std::optional<ConstantsUncertainty> constantsUncertainty(const CalibrationInputs &inputs)
{
    if (inputs.low.size() < 2 || inputs.high.size() < 2)
        return std::nullopt;
    const Spread low = spreadOf(inputs.low);
    const Spread high = spreadOf(inputs.high);
    const double counts = high.average - low.average;
    if (!(counts > 0))
        return std::nullopt;
    const double span = inputs.referenceHigh - inputs.referenceLow;
    const double slope = span / counts;
    // Sensitivity coefficients, the partial derivatives of MC and BC.
    const double slopeByHigh = -span / squared(counts);
    const double slopeByLow = span / squared(counts);
    const double slopeByReference = 1 / counts;
    const double offsetByLow = -(slope + low.average * slopeByLow);
    const double offsetByHigh = -low.average * slopeByHigh;
    const double offsetByReferenceLow = 1 + low.average / counts;
    const double offsetByReferenceHigh = -low.average / counts;
    ConstantsUncertainty result;
    result.slope = constantBudget(
        low, high, inputs, { slopeByLow, slopeByHigh, slopeByReference, slopeByReference });
    result.offset = constantBudget(low, high, inputs,
        { offsetByLow, offsetByHigh, offsetByReferenceLow, offsetByReferenceHigh });
    return result;
}
