#include "walkthrough.h"

#include "calibrationdlg.h"
#include "fixturesimulator.h"
#include "testfiles.h"
#include "widget.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTextEdit>
#include <QTime>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

constexpr std::chrono::milliseconds pollInterval(2);
// A window is read once it has settled: a file dialog fills in its own start selection just after
// it shows, which would overwrite a name typed before.
constexpr std::chrono::milliseconds settleTime(150);
// The real program at its real pace needs about ten seconds; far beyond that something hangs.
constexpr std::chrono::seconds timeLimit(120);
constexpr int reportStepCount = 5;
// The save steps are paced by the one-second response tick, three ticks apart.
constexpr qint64 saveStepGapMs = 3000;
constexpr qint64 saveStepGapToleranceMs = 500;
constexpr int pictureMargin = 12;
constexpr int titleBarHeight = 24;

// The windows show their texts through the translation function, so the technician reads them
// the same way.
QString dialogText(const char *text)
{
    return QCoreApplication::translate("CalibrationDlg", text);
}

QString windowText(const char *text)
{
    return QCoreApplication::translate("Widget", text);
}

QString timestamp()
{
    return QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz"));
}

void printLine(const QString &text)
{
    std::printf("[%s] %s\n", qPrintable(timestamp()), qPrintable(text));
    std::fflush(stdout);
}

// The sensor stores the constants from the text the dialog shows and sends.
bool sameConstant(double stored, double shown)
{
    return std::abs(stored - shown) <= 1e-9 * std::max(1.0, std::abs(shown));
}

// The window with the title bar a desktop would draw for it; the offscreen platform draws none,
// and the titles are how the technician tells the boxes apart.
QRect placeWithTitleBar(const QWidget *window)
{
    return window->geometry().adjusted(0, -titleBarHeight, 0, 0);
}

void drawWindow(QPainter &painter, QWidget *window, const QPoint &origin)
{
    const QRect place = placeWithTitleBar(window).translated(-origin);
    const QRect titleBar(place.topLeft(), QSize(place.width(), titleBarHeight));
    painter.fillRect(titleBar, QColor(0x3c, 0x4a, 0x5a));
    painter.setPen(Qt::white);
    painter.drawText(
        titleBar.adjusted(8, 0, -8, 0), Qt::AlignLeft | Qt::AlignVCenter, window->windowTitle());
    painter.drawPixmap(titleBar.bottomLeft() + QPoint(0, 1), window->grab());
    painter.setPen(QColor(0x60, 0x60, 0x60));
    painter.drawRect(place.adjusted(-1, -1, 0, 0));
}

// The windows as they stand on the screen, each drawn where it is, on a neutral background.
QImage pictureOf(const QList<QWidget *> &windows)
{
    QRect area;
    for (const QWidget *window : windows)
        area |= placeWithTitleBar(window);
    area.adjust(-pictureMargin, -pictureMargin, pictureMargin, pictureMargin);

    // In the screen's own pixels, so a scaled screen shows in its pictures as it does on screen.
    const qreal pixelRatio = windows.constFirst()->devicePixelRatioF();
    QImage picture(area.size() * pixelRatio, QImage::Format_RGB32);
    picture.setDevicePixelRatio(pixelRatio);
    picture.fill(QColor(0xd8, 0xdc, 0xe0));
    QPainter painter(&picture);
    for (QWidget *window : windows)
        drawWindow(painter, window, area.topLeft());
    return picture;
}
}

Walkthrough::Walkthrough(
    Widget &window, const FixtureSimulator &simulator, const QString &outputDir)
    : m_window(window)
    , m_simulator(simulator)
    // The file dialogs would read a relative name against their own folder, not this process's.
    , m_outputDir(QDir(outputDir).absolutePath())
    , m_reportPath(m_outputDir.filePath(QStringLiteral("walkthrough-report.txt")))
    , m_pdfPath(m_outputDir.filePath(QStringLiteral("walkthrough-report.pdf")))
{
    connect(&m_poll, &QTimer::timeout, this, &Walkthrough::poll);
}

bool Walkthrough::start()
{
    if (!m_outputDir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create the folder %s\n", qPrintable(m_outputDir.path()));
        return false;
    }
    // A report or printout left from an earlier run must not pass for this run's; and the save
    // dialog would stop to ask about overwriting it.
    for (const QString &path : { m_reportPath, m_pdfPath }) {
        if (QFile::exists(path) && !QFile::remove(path)) {
            std::fprintf(stderr, "cannot remove the old %s\n", qPrintable(path));
            return false;
        }
    }
    // A desktop's native file dialog is not a Qt window the technician's hand can reach.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    m_steps = script();
    answerBoxes();
    m_clock.start();
    m_poll.start(pollInterval);
    QTimer::singleShot(timeLimit, this, [this] {
        fail(QStringLiteral("not done within %1 s; still waiting for %2")
                 .arg(timeLimit.count())
                 .arg(m_steps.value(m_nextStep).waitingFor));
    });
    say(QStringLiteral("walk-through into %1").arg(m_outputDir.absolutePath()));
    return true;
}

bool Walkthrough::succeeded() const
{
    return m_succeeded;
}

// What the technician waits for in the windows and then does, in order. The boxes and dialogs
// on the way are answered as they come (answerBoxes).
QList<Walkthrough::Step> Walkthrough::script()
{
    auto *okButton = m_window.findChild<QPushButton *>(QStringLiteral("mainPB_OK"));
    return {
        { QStringLiteral("the instruction window"),
            [this] { return m_window.isVisible() && m_clock.elapsed() > 300; },
            [this] {
                saveWindowsPicture(QStringLiteral("01-instructions"));
                scrollInstructionsToEnd();
            } },
        { QStringLiteral("OK to be offered"), [okButton] { return okButton->isEnabled(); },
            [this, okButton] {
                saveWindowsPicture(QStringLiteral("02-instructions-read"));
                pressLater(okButton);
            } },
        { QStringLiteral("the calibration dialog"), [this] { return dialogIsWaitingForUser(); },
            [this] { choosePortAndConnect(); } },
        { QStringLiteral("the fixture and the sensor to be identified"),
            [this] {
                return dialogIsWaitingForUser() && m_technician.connectButton()->isEnabled()
                    && m_technician.offersContinue();
            },
            [this] {
                saveWindowsPicture(QStringLiteral("05-identified"));
                pressLater("Validate_RB");
                pressLater("calibrationPB_Connect");
            } },
        { QStringLiteral("the Print button"),
            [this] {
                return dialogIsWaitingForUser()
                    && m_technician.widget<QPushButton>("calibrationDlg_Print")->isVisible();
            },
            [this] {
                saveWindowsPicture(QStringLiteral("10-report-saved"));
                pressLater("calibrationDlg_Print");
            } },
        { QStringLiteral("the dialog to offer a further run"),
            [this] { return dialogIsWaitingForUser() && m_technician.runEnabled(); },
            [this] {
                saveWindowsPicture(QStringLiteral("12-printed"));
                const QString problem = outcomeProblem();
                if (!problem.isEmpty()) {
                    fail(problem);
                    return;
                }
                pressLater("CalibrationPB_Close");
            } },
        { QStringLiteral("the calibration dialog to close"),
            [this] { return !m_technician.dialog() && !QApplication::activeModalWidget(); },
            [this] { finish(); } },
    };
}

// The boxes and dialogs of the job, in the order they come, each looked at first. One that is
// not on this list ends the walk-through as a failure.
void Walkthrough::answerBoxes()
{
    // A window is read once it has settled: a file dialog fills in its listing just after it
    // shows, and the picture should show it.
    m_answerer.setSettleTime(settleTime);
    answerBox(windowText("End User Directive"), QMessageBox::Ok, "03-directive");
    answerBox(dialogText("User Input Necessary"), QMessageBox::Yes, "06-validation-failed");
    answerBox(dialogText("Important Information"), QMessageBox::Yes, "07-calibrated");
    answerBox(dialogText("User Input Necessary"), QMessageBox::Save, "08-validation-passed");
    m_answerer.answerNext(
        [this](QWidget *modal) {
            saveWindowsPicture(QStringLiteral("09-save-report"));
            say(QStringLiteral("chooses %1 in \"%2\"").arg(m_reportPath, modal->windowTitle()));
            if (!BoxAnswerer::typeFileName(static_cast<QFileDialog *>(modal), m_reportPath))
                fail(QStringLiteral("the save dialog did not take %1").arg(m_reportPath));
        },
        BoxAnswerer::titled(dialogText("SaveFile")));
    m_answerer.answerNext(
        [this](QWidget *modal) {
            saveWindowsPicture(QStringLiteral("11-print"));
            say(QStringLiteral("prints to the file %1").arg(m_pdfPath));
            BoxAnswerer::printToPdf(static_cast<QPrintDialog *>(modal), m_pdfPath);
        },
        BoxAnswerer::ofType<QPrintDialog>());
    m_answerer.answerNext(
        [this](QWidget *modal) {
            say(QStringLiteral("chooses %1 in \"%2\"").arg(m_reportPath, modal->windowTitle()));
            if (!BoxAnswerer::typeFileName(static_cast<QFileDialog *>(modal), m_reportPath))
                fail(QStringLiteral("the print file dialog did not take %1").arg(m_reportPath));
        },
        BoxAnswerer::titled(dialogText("Print File")));
    m_answerer.setFallback([this](QWidget *modal) {
        // The calibration dialog itself runs modally: it is where the technician works.
        if (qobject_cast<CalibrationDlg *>(modal))
            return;
        auto *box = qobject_cast<QMessageBox *>(modal);
        fail(QStringLiteral("while waiting for %1, \"%2\" appeared%3")
                 .arg(m_steps.value(m_nextStep).waitingFor, modal->windowTitle(),
                     box ? QStringLiteral(": ") + box->text() : QString()));
    });
}

void Walkthrough::answerBox(
    const QString &title, QMessageBox::StandardButton button, const char *picture)
{
    m_answerer.answerNext(
        [this, button, picture](QWidget *modal) {
            auto *box = static_cast<QMessageBox *>(modal);
            saveWindowsPicture(QLatin1String(picture));
            say(QStringLiteral("reads \"%1\": %2").arg(box->windowTitle(), box->text()));
            say(QStringLiteral("presses %1").arg(box->button(button)->text()));
            BoxAnswerer::press(box, button);
        },
        BoxAnswerer::offering(title, button));
}

void Walkthrough::poll()
{
    if (m_over)
        return;
    printStatusChange();
    if (m_nextStep >= m_steps.size())
        return;
    const Step &step = m_steps.at(m_nextStep);
    if (step.ready()) {
        ++m_nextStep;
        step.act();
    }
}

// Polled, as QLabel tells no one of a new text: a message the dialog replaces within the same
// few milliseconds, as during identification, goes by unprinted, as it goes by unread.
void Walkthrough::printStatusChange()
{
    const QString status = m_technician.status();
    if (status.isEmpty() || status == m_lastStatus)
        return;
    m_lastStatus = status;
    printLine(m_lastStatus);
}

void Walkthrough::fail(const QString &reason)
{
    if (m_over)
        return;
    m_over = true;
    m_poll.stop();
    saveWindowsPicture(QStringLiteral("failure"));
    std::fprintf(stderr, "walk-through FAILED: %s\n", qPrintable(reason));
    QCoreApplication::exit(1);
}

void Walkthrough::finish()
{
    if (m_answerer.pending() != 0 || !m_answerer.problems().isEmpty()) {
        fail(QStringLiteral("%1 boxes were not answered: %2")
                 .arg(m_answerer.pending())
                 .arg(m_answerer.problems().join(QStringLiteral("; "))));
        return;
    }
    m_over = true;
    m_poll.stop();
    m_succeeded = true;
    say(QStringLiteral("done in %1 s: report %2, printout %3, the sensor holds the new constants")
            .arg(m_clock.elapsed() / 1000.0, 0, 'f', 1)
            .arg(m_reportPath, m_pdfPath));
    pressLater(m_window.findChild<QPushButton *>(QStringLiteral("MainPB_Close")));
}

// ---- The technician's hands

void Walkthrough::say(const QString &text) const
{
    printLine(QStringLiteral("> ") + text);
}

void Walkthrough::saveWindowsPicture(const QString &name)
{
    QList<QWidget *> windows { &m_window };
    if (CalibrationDlg *calibration = m_technician.dialog())
        windows.append(calibration);
    QWidget *modal = QApplication::activeModalWidget();
    if (modal && !windows.contains(modal))
        windows.append(modal);
    windows.removeIf([](const QWidget *window) { return !window->isVisible(); });

    const QString fileName = name + QStringLiteral(".png");
    if (!windows.isEmpty() && pictureOf(windows).save(m_outputDir.filePath(fileName)))
        say(QStringLiteral("picture %1").arg(fileName));
    else
        say(QStringLiteral("could not save the picture %1").arg(fileName));
}

// Queued, as a mouse click arrives: a button that opens a modal window must not run that
// window's event loop inside this walk-through's own poll.
void Walkthrough::pressLater(QAbstractButton *button)
{
    say(QStringLiteral("presses %1").arg(button->text()));
    QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
}

void Walkthrough::pressLater(const char *dialogButton)
{
    say(QStringLiteral("presses %1")
            .arg(m_technician.widget<QAbstractButton>(dialogButton)->text()));
    QMetaObject::invokeMethod(
        this,
        [this, dialogButton] {
            if (!m_technician.press(dialogButton))
                fail(QStringLiteral("%1 could not be pressed").arg(QLatin1String(dialogButton)));
        },
        Qt::QueuedConnection);
}

void Walkthrough::scrollInstructionsToEnd()
{
    say(QStringLiteral("scrolls the instructions to their end"));
    m_window.findChild<QTextEdit *>(QStringLiteral("mainTE_Instructions"))
        ->verticalScrollBar()
        ->triggerAction(QAbstractSlider::SliderToMaximum);
}

void Walkthrough::choosePortAndConnect()
{
    auto *ports = m_technician.widget<QComboBox>("calibrationDlgCB_comport");
    if (ports->findText(m_simulator.portPath()) < 0) {
        fail(QStringLiteral("the simulated fixture's port %1 is not offered")
                 .arg(m_simulator.portPath()));
        return;
    }
    say(QStringLiteral("chooses the port %1").arg(m_simulator.portPath()));
    m_technician.choosePort(m_simulator.portPath());
    saveWindowsPicture(QStringLiteral("04-connect"));
    pressLater("calibrationPB_Connect");
}

// ---- What the technician sees

bool Walkthrough::dialogIsWaitingForUser() const
{
    CalibrationDlg *calibration = m_technician.dialog();
    return calibration && QApplication::activeModalWidget() == calibration
        && !QApplication::overrideCursor();
}

// ---- Did the job end as it should?

QString Walkthrough::outcomeProblem() const
{
    const QString report = reportProblem();
    if (!report.isEmpty())
        return report;
    if (!fileContents(m_pdfPath).startsWith("%PDF"))
        return QStringLiteral("no printout in %1").arg(m_pdfPath);
    return sensorProblem();
}

QString Walkthrough::reportProblem() const
{
    QList<QByteArray> lines = fileContents(m_reportPath).split('\n');
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    if (lines.size() < reportStepCount)
        return QStringLiteral("no report in %1").arg(m_reportPath);
    for (qsizetype line = lines.size() - reportStepCount; line < lines.size(); ++line) {
        const QByteArray text = lines.at(line).trimmed();
        if (!text.startsWith("Step ") || !text.endsWith("PASS"))
            return QStringLiteral("the report %1 does not end with five passed steps")
                .arg(m_reportPath);
    }
    return {};
}

// The new constants, and today's date, reached the sensor, at the pace of the real tick.
QString Walkthrough::sensorProblem() const
{
    const double shownSlope = m_technician.field("calLE_NewCslp")->text().toDouble();
    const double shownOffset = m_technician.field("calLE_NewCoff")->text().toDouble();
    if (!sameConstant(m_simulator.mc(), shownSlope) || !sameConstant(m_simulator.bc(), shownOffset))
        return QStringLiteral("the sensor holds MC %1, BC %2, not the new constants %3, %4")
            .arg(m_simulator.mc())
            .arg(m_simulator.bc())
            .arg(shownSlope)
            .arg(shownOffset);
    const QByteArray today = QDate::currentDate().toString(QStringLiteral("MM/dd/yy")).toLatin1();
    if (m_simulator.sensorCalDate() != today)
        return QStringLiteral("the sensor's calibration date is %1, not today")
            .arg(QString::fromLatin1(m_simulator.sensorCalDate()));
    const QList<QByteArray> commands = m_simulator.commands();
    const QList<qint64> times = m_simulator.commandTimesMs();
    const qsizetype slope = std::find_if(commands.cbegin(), commands.cend(),
                                [](const QByteArray &command) { return command.startsWith("mc="); })
        - commands.cbegin();
    for (qsizetype step = slope; step < slope + 3 && step + 1 < times.size(); ++step) {
        const qint64 gap = times.at(step + 1) - times.at(step);
        if (std::abs(gap - saveStepGapMs) > saveStepGapToleranceMs)
            return QStringLiteral("the save steps %1 and %2 were %3 ms apart, not about %4 ms")
                .arg(QString::fromLatin1(commands.at(step)),
                    QString::fromLatin1(commands.at(step + 1)))
                .arg(gap)
                .arg(saveStepGapMs);
    }
    return {};
}
