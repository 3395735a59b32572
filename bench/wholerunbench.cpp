#include "wholerunbench.h"

#include "clocks.h"
#include "session.h"

namespace {

struct WholeRun
{
    qint64 wallNs;
    qint64 lineNs;
    qint64 instrumentPauseNs;
    bool readCorrectly;
};

std::optional<WholeRun> runOverPacedLine(const SimulatorOptions &fixture)
{
    PacedSession session(fixture);
    const std::optional<qint64> identified = session.driver.identify();
    const std::optional<qint64> validated = identified ? session.driver.validate() : std::nullopt;
    const bool validationCorrect = validated && validationReadCorrectly(session.driver);
    const std::optional<qint64> calibrated
        = validated ? session.driver.calibrateToStoreQuestion() : std::nullopt;
    if (!calibrated)
        return std::nullopt;
    return WholeRun { *identified + *validated + *calibrated,
        session.line.bytesCarried() * PacedLine::characterTime.count(),
        session.line.instrumentPauseNs(),
        validationCorrect && calibrationReadCorrectly(session.driver) };
}

}

WholeRunFigures measureWholeRuns(int runs, const SimulatorOptions &fixture)
{
    WholeRunFigures figures;
    figures.runs = runs;
    QList<double> wallMs;
    QList<double> lineMs;
    QList<double> wallToLine;
    QList<double> wallToInstrument;
    QList<double> addedMs;
    for (int attempt = 0; attempt < runs; ++attempt) {
        const std::optional<WholeRun> run = runOverPacedLine(fixture);
        if (!run) {
            ++figures.failedRuns;
            continue;
        }
        if (!run->readCorrectly)
            ++figures.misreadRuns;
        const qint64 instrumentNs = run->lineNs + run->instrumentPauseNs;
        wallMs.append(nsToMs(run->wallNs));
        lineMs.append(nsToMs(run->lineNs));
        wallToLine.append(double(run->wallNs) / double(run->lineNs));
        wallToInstrument.append(double(run->wallNs) / double(instrumentNs));
        addedMs.append(nsToMs(run->wallNs - instrumentNs));
    }
    figures.wallMs = summarize(wallMs);
    figures.lineMs = summarize(lineMs);
    figures.wallToLine = summarize(wallToLine);
    figures.wallToInstrument = summarize(wallToInstrument);
    figures.addedMs = summarize(addedMs);
    return figures;
}
