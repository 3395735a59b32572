#include "certificate.h"
#include "rununcertainty.h"
#include "uncertainty.h"

#include <QTest>
#include <cmath>

Q_DECLARE_METATYPE(DecisionRule)
Q_DECLARE_METATYPE(StepVerdict)

namespace {
// The lab's entries of the worked example: the reference at 120 pS/m certified with
// U = 1.2 pS/m at k = 2, and a repeatability study of 0.3 pS/m over 10 readings.
UncertaintyInputs workedInputs()
{
    UncertaintyInputs inputs;
    inputs.reference.expandedUncertainty = { 0.05, 1.2, 3, 5, 8 };
    inputs.reference.coverageFactor = 2;
    inputs.repeatability[1] = Repeatability { 0.3, 10 };
    return inputs;
}

StepResult reading(const QString &text, double lower, double upper)
{
    return { text, text.toDouble(), lower, upper,
        text.toDouble() >= lower && text.toDouble() <= upper };
}

bool near(double actual, double expected, double tolerance)
{
    return std::abs(actual - expected) <= tolerance;
}
}

// The uncertainty module against budgets computed by hand and the GUM's own example, the
// decision rules at their edges, and the specific risk against the normal distribution.
class UncertaintyTest : public QObject
{
    Q_OBJECT

private slots:
    // Reference U = 1.2 pS/m at k = 2 (u = 0.6), the reading "120.3" read to 0.1 pS/m (u =
    // 0.1/sqrt(12) = 0.0289), repeatability 0.3 pS/m over 10 readings (9 degrees): u_c =
    // sqrt(0.36 + 0.000833 + 0.09) = 0.6714 pS/m, nu_eff = 0.6714^4 / (0.3^4 / 9) = 225.8,
    // k = t(97.725 %, 225) = 2.01, U = 1.35 pS/m, given as 1.4 pS/m; ratio 19 / 1.35 = 14:1.
    void aWorkedBudgetToThePrintedDigits()
    {
        QString whyNot;
        const std::optional<QList<Contribution>> contributions
            = stepContributions(2, QStringLiteral("120.3"), workedInputs(), &whyNot);
        QVERIFY(contributions);
        QCOMPARE(contributions->size(), 3);
        QVERIFY(near(contributions->at(0).standardUncertainty, 0.6, 1e-12));
        QVERIFY(near(contributions->at(1).standardUncertainty, 0.1 / std::sqrt(12.0), 1e-12));
        QCOMPARE(contributions->at(1).distribution, Distribution::Rectangular);
        QVERIFY(near(contributions->at(2).standardUncertainty, 0.3, 1e-12));
        QCOMPARE(contributions->at(2).degreesOfFreedom.value_or(0), 9.0);
        const Budget budget = budgetOf(*contributions);
        QVERIFY(near(budget.combined, 0.671441, 1e-6));
        QVERIFY(near(*budget.effectiveDegreesOfFreedom, 225.83, 0.01));
        QVERIFY(near(budget.coverageFactor, 2.0112, 1e-4));
        QVERIFY(near(budget.expanded, 1.3504, 1e-4));
        QCOMPARE(uncertaintyText(budget.expanded), QStringLiteral("1.4"));
        QCOMPARE(coverageFactorText(budget.coverageFactor), QStringLiteral("2.01"));
        QVERIFY(near(testUncertaintyRatio(101, 139, budget.expanded), 14.07, 0.01));

        // Without repeatability every contribution is infinite in its degrees: k = 2.
        UncertaintyInputs without = workedInputs();
        without.repeatability[1].reset();
        const Budget plain = budgetOf(*stepContributions(2, "120.3", without, &whyNot));
        QVERIFY(!plain.effectiveDegreesOfFreedom);
        QCOMPARE(plain.coverageFactor, 2.0);
        QCOMPARE(uncertaintyText(plain.expanded), QStringLiteral("1.2"));

        // As the certificate prints it.
        Certificate certificate;
        certificate.reference = workedInputs().reference;
        certificate.lab.repeatability = workedInputs().repeatability;
        ValidationResult validation;
        validation.passed = true;
        const double bounds[][2]
            = { { 0.1, 5.5 }, { 101, 139 }, { 555, 645 }, { 942, 1058 }, { 1623, 1777 } };
        const char *texts[] = { "2.9", "120.3", "603", "1004", "1698" };
        for (int step = 0; step < 5; ++step)
            validation.steps[size_t(step)] = reading(texts[step], bounds[step][0], bounds[step][1]);
        certificate.run.asFound = validation;
        const QStringList lines = certificateLines(certificate);
        const qsizetype step2
            = lines.indexOf("Step 2  reference 120 pS/m   reading 120.3 pS/m, U = 1.4 pS/m, "
                            "k = 2.01");
        QVERIFY2(step2 >= 0, qPrintable(lines.join('\n')));
        QCOMPARE(lines.value(step2 + 1),
            "        bounds 101 to 139 pS/m   PASS   ratio 14:1   under the rule: Pass, risk < "
            "0.1 %");
        QVERIFY(lines.contains("   repeatability: normal (s = 0.3 pS/m over 10 readings), u = 0.3 "
                               "pS/m, degrees of freedom 9"));
        QVERIFY(lines.contains("   combined u = 0.671 pS/m, effective degrees of freedom 225.8, "
                               "k = 2.01, U = 1.4 pS/m"));
        QVERIFY(lines.contains("Repeatability is not included in the uncertainties of steps 1, "
                               "3, 4, 5: the laboratory's repeatability study does not cover "
                               "them."));
    }

    // JCGM 100:2008 H.1.6, the end gauge: u_c = 32 nm from contributions of 25, 9.7, 2.9 and
    // 16.6 nm with 18, 25.6, 50 and 2 degrees of freedom: nu_eff = 16.7, taken as 16;
    // t99(16) = 2.92 (H.1.6), and for about 95 % t(16) = 2.17 and t(9) = 2.32 (Table G.2).
    void welchSatterthwaiteAsTheGumWorksIt()
    {
        const Budget gauge
            = budgetOf({ { "calibration of the standard", 25, Distribution::Normal, 18, {} },
                { "measured difference", 9.7, Distribution::Normal, 25.6, {} },
                { "thermal expansion", 2.9, Distribution::Normal, 50, {} },
                { "temperature difference", 16.6, Distribution::Normal, 2, {} } });
        QVERIFY(near(gauge.combined, 31.67, 0.01));
        QVERIFY(near(*gauge.effectiveDegreesOfFreedom, 16.76, 0.01));
        QVERIFY(near(studentQuantile(0.995, 16), 2.921, 0.001));
        QVERIFY(near(gauge.coverageFactor, 2.17, 0.005));
        QVERIFY(near(coverageFactorFor(9.9), 2.32, 0.005));
        QCOMPARE(coverageFactorFor(std::nullopt), 2.0);
        QVERIFY(near(studentCdf(2.92, 16), 0.995, 0.0005));
    }

    // Each rule at each edge: a reading exactly on a narrowed bound is accepted, a hair inside
    // it is not (guarded) or is only conditionally (non-binary); on the bound itself simple
    // acceptance passes; outside by less than U non-binary says Conditional Fail.
    void decisionRulesAtTheirEdges_data()
    {
        QTest::addColumn<DecisionRule>("rule");
        QTest::addColumn<double>("reading");
        QTest::addColumn<StepVerdict>("verdict");
        // Bounds 101 to 139, U = 2: narrowed 103 to 137, widened 99 to 141.
        const struct
        {
            double reading;
            StepVerdict simple, guarded, nonBinary;
        } edges[] = {
            { 120, StepVerdict::Pass, StepVerdict::Pass, StepVerdict::Pass },
            { 103, StepVerdict::Pass, StepVerdict::Pass, StepVerdict::Pass },
            { 137, StepVerdict::Pass, StepVerdict::Pass, StepVerdict::Pass },
            { 102.99, StepVerdict::Pass, StepVerdict::Fail, StepVerdict::ConditionalPass },
            { 137.01, StepVerdict::Pass, StepVerdict::Fail, StepVerdict::ConditionalPass },
            { 101, StepVerdict::Pass, StepVerdict::Fail, StepVerdict::ConditionalPass },
            { 139, StepVerdict::Pass, StepVerdict::Fail, StepVerdict::ConditionalPass },
            { 100.99, StepVerdict::Fail, StepVerdict::Fail, StepVerdict::ConditionalFail },
            { 139.01, StepVerdict::Fail, StepVerdict::Fail, StepVerdict::ConditionalFail },
            { 99, StepVerdict::Fail, StepVerdict::Fail, StepVerdict::ConditionalFail },
            { 141, StepVerdict::Fail, StepVerdict::Fail, StepVerdict::ConditionalFail },
            { 98.99, StepVerdict::Fail, StepVerdict::Fail, StepVerdict::Fail },
            { 141.01, StepVerdict::Fail, StepVerdict::Fail, StepVerdict::Fail },
        };
        for (const auto &edge : edges) {
            QTest::addRow("simple %g", edge.reading)
                << DecisionRule::Simple << edge.reading << edge.simple;
            QTest::addRow("guarded %g", edge.reading)
                << DecisionRule::Guarded << edge.reading << edge.guarded;
            QTest::addRow("non-binary %g", edge.reading)
                << DecisionRule::NonBinary << edge.reading << edge.nonBinary;
        }
    }

    void decisionRulesAtTheirEdges()
    {
        QFETCH(DecisionRule, rule);
        QFETCH(double, reading);
        QFETCH(StepVerdict, verdict);
        QCOMPARE(decide(rule, reading, 101, 139, 1, 2).verdict, verdict);
    }

    // The probability that the true value lies outside the bounds: 138.0 pS/m against 139 with
    // u = 0.67 pS/m is 1 - Phi(1.4925) = 6.8 %; on the bound itself one half; in the middle of
    // the band nothing worth saying.
    void theSpecificRisk()
    {
        const Decision nearTheBound = decide(DecisionRule::Simple, 138.0, 101, 139, 0.67, 1.34);
        QVERIFY(near(nearTheBound.risk, 0.06779, 0.00005));
        QCOMPARE(riskText(nearTheBound.risk), QStringLiteral("6.8 %"));
        QVERIFY(
            near(decide(DecisionRule::Simple, 101.5, 101, 139, 0.67, 1.34).risk, 0.2278, 0.0001));
        QVERIFY(near(decide(DecisionRule::Simple, 139, 101, 139, 0.67, 1.34).risk, 0.5, 1e-9));
        QCOMPARE(riskText(decide(DecisionRule::Simple, 120, 101, 139, 0.67, 1.34).risk),
            QStringLiteral("< 0.1 %"));
        QCOMPARE(riskText(decide(DecisionRule::Simple, 150, 101, 139, 0.67, 1.34).risk),
            QStringLiteral("> 99.9 %"));
        QVERIFY(near(normalCdf(2), 0.97725, 0.00001));
    }

    // A fixture with no recorded uncertainty: U cannot be stated, the lab's rule falls back to
    // simple acceptance, and the certificate says both.
    void aReferenceWithoutUncertainty()
    {
        UncertaintyInputs inputs;
        inputs.rule = DecisionRule::Guarded;
        const StepUncertainty step = stepUncertainty(2, reading("138", 101, 139), inputs);
        QVERIFY(!step.budget);
        QCOMPARE(step.notStated,
            QStringLiteral("the reference standard's uncertainty at this step is not recorded"));
        QCOMPARE(step.rule, DecisionRule::Simple);
        QCOMPARE(step.decision.verdict, StepVerdict::Pass);
        Certificate certificate;
        certificate.lab.decisionRule = QStringLiteral("guarded");
        ValidationResult validation;
        for (int index = 0; index < 5; ++index)
            validation.steps[size_t(index)] = reading("138", 101, 139);
        certificate.run.asFound = validation;
        certificate.run.asLeft = validation;
        const QStringList lines = certificateLines(certificate);
        QVERIFY(lines.contains("U cannot be stated for every step: the reference standard's "
                               "uncertainties are not recorded in full. The lab's rule falls back "
                               "to simple acceptance, without a guard band: a reading close to a "
                               "bound may be accepted although the sensor is out of tolerance, "
                               "with a risk of up to 50 % at the bound itself."));
        QVERIFY(lines.contains("Step 2: U cannot be stated: the reference standard's uncertainty "
                               "at this step is not recorded."));
    }

    // A reading reads to its last digit as sent.
    void theResolutionOfAReading()
    {
        QCOMPARE(resolutionOf("120.3").value_or(0), 0.1);
        QCOMPARE(resolutionOf("120").value_or(0), 1.0);
        QCOMPARE(resolutionOf(" 2.85 ").value_or(0), 0.01);
        QCOMPARE(resolutionOf("-94.2").value_or(0), 0.1);
        QVERIFY(!resolutionOf("garbled"));
    }

    // The new constants' uncertainty as the first-order propagation gives it, against the
    // same propagation made numerically: each input nudged, the change of MC and BC measured.
    void theConstantsUncertaintyPropagates()
    {
        const CalibrationInputs inputs { { 98, 99, 100, 101, 102 },
            { 1097, 1099, 1100, 1101, 1103 }, 2.8, 1748, 0.025, 4 };
        const std::optional<ConstantsUncertainty> computed = constantsUncertainty(inputs);
        QVERIFY(computed);
        const auto slope = [](double low, double high, double rl, double rh) {
            return (rh - rl) / (high - low);
        };
        const auto offset = [&](double low, double high, double rl, double rh) {
            return rl - slope(low, high, rl, rh) * low;
        };
        const double low = 100, high = 1100; // the averages cut to whole counts
        const double lowU = std::sqrt(2.5 / 5 + 1.0 / 12); // scatter of the mean and the cut
        const double highU = std::sqrt(5.0 / 5 + 1.0 / 12);
        const double h = 1e-4;
        const auto numeric = [&](auto f) {
            const double dLow
                = (f(low + h, high, 2.8, 1748) - f(low - h, high, 2.8, 1748)) / (2 * h);
            const double dHigh
                = (f(low, high + h, 2.8, 1748) - f(low, high - h, 2.8, 1748)) / (2 * h);
            const double dRl
                = (f(low, high, 2.8 + h, 1748) - f(low, high, 2.8 - h, 1748)) / (2 * h);
            const double dRh
                = (f(low, high, 2.8, 1748 + h) - f(low, high, 2.8, 1748 - h)) / (2 * h);
            return std::sqrt(std::pow(dLow * lowU, 2) + std::pow(dHigh * highU, 2)
                + std::pow(dRl * 0.025, 2) + std::pow(dRh * 4, 2));
        };
        QVERIFY2(near(computed->slope.combined, numeric(slope), 1e-9),
            qPrintable(QString::number(computed->slope.combined, 'g', 12)));
        QVERIFY2(near(computed->offset.combined, numeric(offset), 1e-7),
            qPrintable(QString::number(computed->offset.combined, 'g', 12)));
        QVERIFY(computed->slope.effectiveDegreesOfFreedom);
        QVERIFY(!constantsUncertainty({ { 100 }, { 1100 }, 2.8, 1748, 0.025, 4 }));
    }
};

QTEST_GUILESS_MAIN(UncertaintyTest)
#include "tst_uncertainty.moc"
