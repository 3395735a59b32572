#include "clocks.h"
#include "firstframeprobe.h"
#include "startupfigures.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <cstdio>
#include <memory>

// The yardstick for the utility's start: the least a Qt Widgets program does to put one empty
// window on screen, measured the same way. With --text the window shows one line of text, so
// the yardstick pays for the font system as every program that shows words does.
int main(int argc, char *argv[])
{
    StartupFigures figures;
    figures.mainAtNs = monotonicNs();
    QApplication app(argc, argv);
    figures.applicationAtNs = monotonicNs();
    const std::unique_ptr<QWidget> window
        = QApplication::arguments().contains(QStringLiteral("--text"))
        ? std::make_unique<QLabel>(QStringLiteral("Conductivity Validation Utility"))
        : std::make_unique<QWidget>();
    figures.windowBuiltAtNs = monotonicNs();
    QObject::connect(
        new FirstFrameProbe(window.get()), &FirstFrameProbe::framePainted, [&](qint64 shownAtNs) {
            figures.shownAtNs = shownAtNs;
            figures.peakRssKb = peakResidentKb();
            std::fputs(figures.line().constData(), stdout);
            QApplication::quit();
        });
    window->show();
    return app.exec();
}
