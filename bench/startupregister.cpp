#include "appsetup.h"
#include "clocks.h"
#include "elidedlabel.h"
#include "firstframeprobe.h"
#include "registerwindow.h"
#include "startupfigures.h"
#include "tabledialog.h"

#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <cstdio>

namespace {
// Since any run a synthetic lab holds.
const QDate beforeEveryRun(2000, 1, 1);

// Times a list window of the register from the action that asks for it to its first painted
// rows, and closes it again.
class ListWindowTimer : public QObject
{
public:
    ListWindowTimer() { qApp->installEventFilter(this); }
    qint64 paintedAtNs() const { return m_paintedAtNs; }
    // The run the list is of, as its heading names it.
    QByteArray run() const
    {
        static const QRegularExpression uuid(
            QStringLiteral("[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}"));
        return uuid.match(m_about).captured().toLatin1();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *dialog = qobject_cast<TableDialog *>(watched);
        if (dialog && event->type() == QEvent::Show)
            QMetaObject::invokeMethod(
                this,
                [this, dialog] {
                    dialog->repaint();
                    m_paintedAtNs = monotonicNs();
                    m_about = dialog->findChild<ElidedLabel *>(QStringLiteral("tableLBL_about"))
                                  ->fullText();
                    dialog->reject();
                },
                Qt::QueuedConnection);
        return false;
    }

private:
    qint64 m_paintedAtNs = 0;
    QString m_about;
};
}

// The register window on the records named, as the benchmark times it: the moment the sensors
// list is painted, then how long the busiest sensor's page takes with both its charts, one
// keystroke in the filter, the audit trail of the sensor's latest run, and a recall of a fixture
// over its last interval and over all its runs; then the peak memory. One line on standard
// output.
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
        auto *views = window.findChild<QTabWidget *>(QStringLiteral("registerTW_views"));
        views->setCurrentIndex(0);
        window.repaint();
        auto *filter = window.findChild<QLineEdit *>(QStringLiteral("sensorsLE_filter"));
        startNs = monotonicNs();
        QTest::keyClick(filter, Qt::Key_1);
        list->repaint();
        const qint64 keystrokeNs = monotonicNs() - startNs;

        auto *runs = window.findChild<QTableView *>(QStringLiteral("sensorTV_runs"));
        views->setCurrentWidget(window.findChild<QWidget *>(QStringLiteral("sensorTab")));
        runs->selectRow(0);
        ListWindowTimer auditTrail;
        startNs = monotonicNs();
        window.findChild<QAction *>(QStringLiteral("actionAuditTrail"))->trigger();
        const qint64 auditTrailNs = auditTrail.paintedAtNs() - startNs;
        const QByteArray run = auditTrail.run();

        views->setCurrentWidget(window.findChild<QWidget *>(QStringLiteral("fixturesTab")));
        auto *fixtures = window.findChild<QTableView *>(QStringLiteral("fixturesTV_list"));
        const QByteArray fixture = fixtures->model()->index(0, 0).data().toString().toUtf8();
        auto *recalled = window.findChild<QTableView *>(QStringLiteral("fixturesTV_runs"));
        // As the view opens a fixture: the runs of the last fixture interval.
        startNs = monotonicNs();
        fixtures->setCurrentIndex(fixtures->model()->index(0, 0));
        recalled->repaint();
        const qint64 intervalRecallNs = monotonicNs() - startNs;
        const int intervalRuns = recalled->model()->rowCount();
        startNs = monotonicNs();
        window.findChild<QDateEdit *>(QStringLiteral("fixturesDE_since"))->setDate(beforeEveryRun);
        recalled->repaint();
        const qint64 recallNs = monotonicNs() - startNs;

        std::printf("%lld %lld %lld %lld %s %lld %s %lld %s %d %lld %d\n",
            static_cast<long long>(listPaintedAtNs), static_cast<long long>(sensorPageNs),
            static_cast<long long>(keystrokeNs), static_cast<long long>(peakResidentKb()),
            serial.constData(), static_cast<long long>(auditTrailNs), run.constData(),
            static_cast<long long>(recallNs), fixture.constData(), recalled->model()->rowCount(),
            static_cast<long long>(intervalRecallNs), intervalRuns);
        std::fflush(stdout);
        QApplication::quit();
    };
    QObject::connect(new FirstFrameProbe(&window), &FirstFrameProbe::framePainted, measure);
    window.show();
    return app.exec();
}
