#include "appsetup.h"
#include "clocks.h"
#include "firstframeprobe.h"
#include "registerwindow.h"
#include "startupfigures.h"

#include <QApplication>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <cstdio>

// The register window on the records named, as the benchmark times it: the moment the sensors
// list is painted, then how long the busiest sensor's page takes with both its charts, and one
// keystroke in the filter; then the peak memory. One line on standard output.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installTranslations(app);
    if (argc < 2)
        return 2;
    RegisterWindow window(QString::fromLocal8Bit(argv[1]), QString());
    window.resize(1100, 760);
    auto *list = window.findChild<QTableView *>(QStringLiteral("sensorsTV_list"));
    const auto measure = [&](qint64 listPaintedAtNs) {
        // The sensors list sorts by due date; the sensor with the most runs is as slow as any.
        list->sortByColumn(0, Qt::AscendingOrder);
        const QByteArray serial = list->model()->index(0, 0).data().toString().toUtf8();
        qint64 startNs = monotonicNs();
        window.showSensor(serial);
        window.repaint();
        window.findChild<QWidget *>(QStringLiteral("sensorCH_constants"))->repaint();
        window.findChild<QWidget *>(QStringLiteral("sensorCH_readings"))->repaint();
        const qint64 sensorPageNs = monotonicNs() - startNs;
        window.findChild<QTabWidget *>(QStringLiteral("registerTW_views"))->setCurrentIndex(0);
        window.repaint();
        auto *filter = window.findChild<QLineEdit *>(QStringLiteral("sensorsLE_filter"));
        startNs = monotonicNs();
        QTest::keyClick(filter, Qt::Key_1);
        list->repaint();
        const qint64 keystrokeNs = monotonicNs() - startNs;
        std::printf("%lld %lld %lld %lld %s\n", static_cast<long long>(listPaintedAtNs),
            static_cast<long long>(sensorPageNs), static_cast<long long>(keystrokeNs),
            static_cast<long long>(peakResidentKb()), serial.constData());
        std::fflush(stdout);
        QApplication::quit();
    };
    QObject::connect(new FirstFrameProbe(&window), &FirstFrameProbe::framePainted, measure);
    window.show();
    return app.exec();
}
