// The utility with a simulated fixture, for trying it out and for training: the same windows as
// the program, offered only the ports named here or a simulator's. With --walkthrough a scripted
// technician drives those windows through a whole job.

#include "appsetup.h"
#include "fixturesimulator.h"
#include "offeredports.h"
#include "recordsdatabase.h"
#include "recordslog.h"
#include "walkthrough.h"
#include "widget.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLoggingCategory>
#include <cstdio>
#include <memory>

namespace {
std::unique_ptr<FixtureSimulator> startDriftedSimulator()
{
    SimulatorOptions options;
    options.drifted = true;
    auto simulator = std::make_unique<FixtureSimulator>(options);
    QString error;
    if (!simulator->start(&error)) {
        std::fprintf(stderr, "cannot start the simulated fixture: %s\n", qPrintable(error));
        return nullptr;
    }
    return simulator;
}

int runWalkthrough(Widget &window, const FixtureSimulator &simulator, const QString &outputDir)
{
    // The walk-through prints the status bar; the windows' debug traces would bury it.
    QLoggingCategory::setFilterRules(QStringLiteral("cvu.*.debug=false"));
    Walkthrough walkthrough(window, simulator, outputDir);
    if (!walkthrough.start())
        return 1;
    const int exitCode = QApplication::exec();
    if (exitCode == 0 && !walkthrough.succeeded()) {
        std::fprintf(stderr, "walk-through FAILED: the window was closed before the job ended\n");
        return 1;
    }
    return exitCode;
}
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setUpApplication(app);
    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate("cvu-demo",
        "Conductivity Validation Utility with a simulated KR-5M-LD-CV-LNK fixture. Without "
        "--port it starts a simulated fixture whose sensor has drifted, so a validation fails "
        "and a calibration mends it."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
        QCoreApplication::translate("cvu-demo",
            "Offer this serial port or pseudo-terminal (repeatable) instead of starting a "
            "simulator."),
        QStringLiteral("PATH"));
    const QCommandLineOption walkthroughOption(QStringLiteral("walkthrough"),
        QCoreApplication::translate("cvu-demo",
            "Drive the windows through a whole job against the simulated fixture: print each "
            "status-bar message, save a picture of each stage, the report and its printout (PDF) "
            "into DIR. Exits 0 only when the job ended as it should."),
        QStringLiteral("DIR"));
    parser.addOption(portOption);
    parser.addOption(walkthroughOption);
    parser.process(app);

    QStringList paths = parser.values(portOption);
    const bool walkthrough = parser.isSet(walkthroughOption);
    if (walkthrough && !paths.isEmpty()) {
        std::fprintf(
            stderr, "--walkthrough drives its own simulated fixture; it takes no --port\n");
        return 1;
    }

    std::unique_ptr<FixtureSimulator> simulator;
    if (paths.isEmpty()) {
        simulator = startDriftedSimulator();
        if (!simulator)
            return 1;
        paths = QStringList { simulator->portPath() };
        // A simulated sensor has no place in the calibration history of the real ones.
        QCoreApplication::setApplicationName(
            QCoreApplication::applicationName() + QStringLiteral(" (simulated fixture)"));
    }

    openRecords(RecordsDatabase::defaultPath());
    Widget window(nullptr, offeredPorts(paths));
    if (simulator)
        window.setWindowTitle(window.windowTitle()
            + QStringLiteral(" - simulated fixture on %1").arg(simulator->portPath()));
    window.show();
    if (walkthrough)
        return runWalkthrough(window, *simulator, parser.value(walkthroughOption));
    return app.exec();
}
