#include "startupbench.h"

#include "clocks.h"
#include "startupfigures.h"

#include <QCoreApplication>
#include <QProcess>

namespace {

constexpr int launchTimeoutMs = 20000;

struct Launch
{
    qint64 createdAtNs;
    StartupFigures figures;
};

// From just before the process is created to the first frame of its window.
std::optional<Launch> launch(const QString &programName, const QStringList &arguments = {})
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setProgram(QCoreApplication::applicationDirPath() + QLatin1Char('/') + programName);
    process.setArguments(arguments);
    const qint64 createdAtNs = monotonicNs();
    process.start();
    if (!process.waitForFinished(launchTimeoutMs) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0)
        return std::nullopt;
    const std::optional<StartupFigures> figures
        = StartupFigures::parse(process.readAllStandardOutput());
    if (!figures)
        return std::nullopt;
    return Launch { createdAtNs, *figures };
}

class StageSamples
{
public:
    void add(const Launch &launch)
    {
        const StartupFigures &figures = launch.figures;
        m_loadMs.append(nsToMs(figures.mainAtNs - launch.createdAtNs));
        m_applicationMs.append(nsToMs(figures.applicationAtNs - figures.mainAtNs));
        m_windowBuildMs.append(nsToMs(figures.windowBuiltAtNs - figures.applicationAtNs));
        m_firstFrameMs.append(nsToMs(figures.shownAtNs - figures.windowBuiltAtNs));
        m_shownMs.append(nsToMs(figures.shownAtNs - launch.createdAtNs));
        m_peakKb.append(double(figures.peakRssKb));
    }

    StartupStages summary() const
    {
        return { summarize(m_loadMs), summarize(m_applicationMs), summarize(m_windowBuildMs),
            summarize(m_firstFrameMs), summarize(m_shownMs), summarize(m_peakKb) };
    }

private:
    QList<double> m_loadMs, m_applicationMs, m_windowBuildMs, m_firstFrameMs, m_shownMs, m_peakKb;
};

}

StartupComparison measureStartup(int launches)
{
    StartupComparison comparison;
    comparison.launches = launches;
    const QString minimalProgram = QStringLiteral("cvu-bench-minimal");
    StageSamples utility;
    StageSamples minimal;
    StageSamples minimalWithText;
    for (int turn = 0; turn < launches; ++turn) {
        const std::optional<Launch> utilityLaunch = launch(QStringLiteral("cvu-bench-startup"));
        const std::optional<Launch> minimalLaunch = launch(minimalProgram);
        const std::optional<Launch> withTextLaunch
            = launch(minimalProgram, { QStringLiteral("--text") });
        if (!utilityLaunch || !minimalLaunch || !withTextLaunch) {
            ++comparison.failedLaunches;
            continue;
        }
        utility.add(*utilityLaunch);
        minimal.add(*minimalLaunch);
        minimalWithText.add(*withTextLaunch);
    }
    comparison.utility = utility.summary();
    comparison.minimal = minimal.summary();
    comparison.minimalWithText = minimalWithText.summary();
    return comparison;
}
