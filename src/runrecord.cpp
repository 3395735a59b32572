#include "runrecord.h"

#include <algorithm>
#include <cmath>

bool ValidationRecord::complete() const
{
    return std::all_of(
        steps.cbegin(), steps.cend(), [](const auto &step) { return step.has_value(); });
}

bool ValidationRecord::passed() const
{
    return complete()
        && std::all_of(steps.cbegin(), steps.cend(), [](const auto &step) { return step->passed; });
}

qint64 CalibrationRecord::sumOf(ReferenceSet set) const
{
    qint64 sum = 0;
    for (const SampleRecord &sample : samples) {
        if (sample.set == set && sample.number > 0 && sample.value)
            sum += *sample.value;
    }
    return sum;
}

bool CalibrationRecord::canBeStored() const
{
    return constants && constants->canBeStored();
}

ValidationPhase RunRecord::nextValidationPhase() const
{
    // Once new constants went to the sensor, saved or not, a validation shows it as left.
    return store ? ValidationPhase::AsLeft : ValidationPhase::AsFound;
}

QString RunRecord::stepText(int step) const
{
    if (!validation)
        return {};
    const auto &reading = validation->steps[static_cast<size_t>(step - 1)];
    return reading ? reading->text : QString();
}

namespace {
struct ComparedText
{
    const char *name;
    QString (*text)(const RunRecord &run);
};

// Every text the report copies from a field, with the name the records give it.
const std::array<ComparedText, 17> comparedTexts { {
    { "Fixture model", [](const RunRecord &run) { return run.fixture.model.text; } },
    { "Fixture serial", [](const RunRecord &run) { return run.fixture.serial.text; } },
    { "Fixture firmware", [](const RunRecord &run) { return run.fixture.firmware.text; } },
    { "Fixture calibration date", [](const RunRecord &run) { return run.fixture.calDate.text; } },
    { "Sensor model", [](const RunRecord &run) { return run.sensor.model.text; } },
    { "Sensor serial", [](const RunRecord &run) { return run.sensor.serial.text; } },
    { "Sensor firmware", [](const RunRecord &run) { return run.sensor.firmware.text; } },
    { "Sensor calibration date", [](const RunRecord &run) { return run.sensor.calDate.text; } },
    { "Old MC", [](const RunRecord &run) { return run.slope.text; } },
    { "Old BC", [](const RunRecord &run) { return run.offset.text; } },
    { "New MC", [](const RunRecord &run) { return run.newSlopeText(); } },
    { "New BC", [](const RunRecord &run) { return run.newOffsetText(); } },
    { "Step 1", [](const RunRecord &run) { return run.stepText(1); } },
    { "Step 2", [](const RunRecord &run) { return run.stepText(2); } },
    { "Step 3", [](const RunRecord &run) { return run.stepText(3); } },
    { "Step 4", [](const RunRecord &run) { return run.stepText(4); } },
    { "Step 5", [](const RunRecord &run) { return run.stepText(5); } },
} };
}

QList<EditedField> editedFields(const RunRecord &recorded, const RunRecord &shown)
{
    QList<EditedField> edited;
    for (const ComparedText &compared : comparedTexts) {
        // The report trims every field, so blanks around a value change nothing it says.
        const QString recordedText = compared.text(recorded);
        const QString shownText = compared.text(shown);
        if (recordedText.trimmed() != shownText.trimmed())
            edited.append({ compared.name, recordedText, shownText });
    }
    return edited;
}

std::optional<double> RunRecord::slopeChangePercent() const
{
    const std::optional<double> old = finiteNumberOf(slope.text);
    const std::optional<double> updated = finiteNumberOf(newSlopeText());
    if (!old || !updated || *old == 0)
        return std::nullopt;
    return (*updated - *old) / std::abs(*old) * 100.0;
}

std::optional<double> finiteNumberOf(const QString &text)
{
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(number) ? std::optional<double>(number) : std::nullopt;
}
