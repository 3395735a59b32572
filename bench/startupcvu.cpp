#include "appsetup.h"
#include "calibrationdlg.h"
#include "clocks.h"
#include "firstframeprobe.h"
#include "startupfigures.h"
#include "widget.h"

#include <QApplication>
#include <cstdio>
#include <memory>

// The utility's start as a technician meets it: the instruction window, then the calibration
// dialog. Tells when each stage of the start was reached, and the peak memory once the dialog is
// up as well.
int main(int argc, char *argv[])
{
    StartupFigures figures;
    figures.mainAtNs = monotonicNs();
    QApplication app(argc, argv);
    setUpApplication(app);
    figures.applicationAtNs = monotonicNs();
    Widget window;
    figures.windowBuiltAtNs = monotonicNs();
    std::unique_ptr<CalibrationDlg> dialog;

    const auto reportAndQuit = [&] {
        figures.peakRssKb = peakResidentKb();
        std::fputs(figures.line().constData(), stdout);
        QApplication::quit();
    };
    const auto openDialog = [&](qint64 windowShownAtNs) {
        figures.shownAtNs = windowShownAtNs;
        dialog = std::make_unique<CalibrationDlg>();
        QObject::connect(
            new FirstFrameProbe(dialog.get()), &FirstFrameProbe::framePainted, reportAndQuit);
        dialog->show();
    };
    QObject::connect(new FirstFrameProbe(&window), &FirstFrameProbe::framePainted, openDialog);

    window.show();
    return app.exec();
}
