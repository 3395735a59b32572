// The utility with a simulated fixture, for trying it out and for training: the same windows as
// the program, offered only the ports named here or a simulator's.

#include "fixturesimulator.h"
#include "widget.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <memory>

namespace {
PortAccess offeredPorts(const QStringList &paths)
{
    QList<PortInfo> ports;
    for (const QString &path : paths)
        ports.append({ path, QString::fromLatin1(ftdiEnumeratorName) });
    return { [ports] { return ports; }, openSerialPort };
}
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Conductivity Validation Utility with a simulated KR-5M-LD-CV-LNK fixture. Without "
        "--port it starts a simulated fixture whose sensor has drifted, so a validation fails "
        "and a calibration mends it."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
        QStringLiteral("Offer this serial port or pseudo-terminal (repeatable) instead of "
                       "starting a simulator."),
        QStringLiteral("PATH"));
    parser.addOption(portOption);
    parser.process(app);

    std::unique_ptr<FixtureSimulator> simulator;
    QStringList paths = parser.values(portOption);
    if (paths.isEmpty()) {
        SimulatorOptions options;
        options.drifted = true;
        simulator = std::make_unique<FixtureSimulator>(options);
        QString error;
        if (!simulator->start(&error)) {
            std::fprintf(stderr, "cannot start the simulated fixture: %s\n", qPrintable(error));
            return 1;
        }
        paths = QStringList { simulator->portPath() };
    }

    Widget window(nullptr, offeredPorts(paths));
    if (simulator)
        window.setWindowTitle(window.windowTitle()
            + QStringLiteral(" - simulated fixture on %1").arg(simulator->portPath()));
    window.show();
    return app.exec();
}
