#include "sensorcharts.h"

#include "runrecord.h"
#include "stepbounds.h"

#include <QCoreApplication>

namespace {
const QColor asFoundColour(0xe0, 0x7b, 0x1a);
const QColor asLeftColour(0x2e, 0x86, 0xde);

// Texts outside any window, in the translations under "Register".
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Register)
};

ChartPoint pointOf(const QDateTime &at, double value, const QString &what)
{
    return { at.toMSecsSinceEpoch(), value,
        QStringLiteral("%1, %2: %3")
            .arg(what, at.toString(QStringLiteral("yyyy-MM-dd HH:mm")))
            .arg(value),
        std::nullopt };
}

// Oldest first, as time runs left to right.
template <typename Take>
ChartSeries seriesOf(
    const QString &name, const QColor &colour, const QList<RunSummary> &runs, Take take)
{
    ChartSeries series { name, colour, {} };
    for (auto run = runs.crbegin(); run != runs.crend(); ++run) {
        if (const std::optional<ChartPoint> point = take(*run))
            series.points.append(*point);
    }
    return series;
}

ChartPanel constantPanel(const QString &title, const QList<RunSummary> &runs,
    QString RunSummary::*asFound, QString Adjustment::*stored, const QString &what)
{
    return { title,
        { seriesOf(Texts::tr("As found"), asFoundColour, runs,
              [&](const RunSummary &run) -> std::optional<ChartPoint> {
                  const std::optional<double> value = finiteNumberOf(run.*asFound);
                  return value
                      ? std::optional(pointOf(run.started, *value, what + Texts::tr(" as found")))
                      : std::nullopt;
              }),
            seriesOf(Texts::tr("Stored"), asLeftColour, runs,
                [&](const RunSummary &run) -> std::optional<ChartPoint> {
                    if (!run.adjustment || !run.adjustment->confirmed)
                        return std::nullopt;
                    const std::optional<double> value = finiteNumberOf((*run.adjustment).*stored);
                    return value
                        ? std::optional(pointOf(run.started, *value, what + Texts::tr(" stored")))
                        : std::nullopt;
                }) },
        std::nullopt };
}

std::optional<ChartPoint> readingPoint(const std::optional<ValidationResult> &validation, int step,
    const QString &what, const UncertaintyInputs &inputs)
{
    if (!validation || !validation->steps[size_t(step - 1)])
        return std::nullopt;
    const StepResult &result = *validation->steps[size_t(step - 1)];
    ChartPoint point = pointOf(validation->at, result.value, what);
    point.failed = !result.passed;
    point.tip = Texts::tr("Step %1 %2, %3: %4 pS/m (bounds %5 to %6, %7)")
                    .arg(step)
                    .arg(what, validation->at.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                        result.text.trimmed())
                    .arg(result.lower)
                    .arg(result.upper)
                    .arg(result.passed ? Texts::tr("PASS") : Texts::tr("FAIL"));
    const StepUncertainty uncertainty = stepUncertainty(step, result, inputs);
    if (uncertainty.budget) {
        point.uncertainty = uncertainty.budget->expanded;
        point.tip += Texts::tr(", U = %1 pS/m").arg(uncertaintyText(uncertainty.budget->expanded));
    }
    return point;
}
}

QList<ChartPanel> constantsPanels(const QList<RunSummary> &runs)
{
    return { constantPanel(Texts::tr("MC, slope (pS/m per count)"), runs, &RunSummary::asFoundSlope,
                 &Adjustment::newSlope, Texts::tr("MC")),
        constantPanel(Texts::tr("BC, offset (pS/m)"), runs, &RunSummary::asFoundOffset,
            &Adjustment::newOffset, Texts::tr("BC")) };
}

QList<ChartPanel> readingsPanels(const QList<RunSummary> &runs, const LabRecords &lab)
{
    static const char *const references[] = { "2.8", "120", "600", "1000", "1700" };
    QList<ChartPanel> panels;
    for (int step = 1; step <= validationStepCount; ++step) {
        const StepBounds bounds = stepBounds(step);
        panels.append({ Texts::tr("Step %1, %2 pS/m: reading (pS/m) within %3 to %4")
                            .arg(step)
                            .arg(QLatin1String(references[step - 1]))
                            .arg(bounds.lower)
                            .arg(bounds.upper),
            { seriesOf(Texts::tr("As found"), asFoundColour, runs,
                  [step, &lab](const RunSummary &run) {
                      return readingPoint(run.asFound, step, Texts::tr("as found"),
                          UncertaintyInputs::forRun(lab, run));
                  }),
                seriesOf(Texts::tr("As left"), asLeftColour, runs,
                    [step, &lab](const RunSummary &run) {
                        return readingPoint(run.asLeft, step, Texts::tr("as left"),
                            UncertaintyInputs::forRun(lab, run));
                    }) },
            AxisRange { bounds.lower, bounds.upper } });
    }
    return panels;
}
