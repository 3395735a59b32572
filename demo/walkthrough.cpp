#include "walkthrough.h"

#include "calibrationdlg.h"
#include "fixturesimulator.h"
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
#include <QPrinter>
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

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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

// What the technician waits for and then does, in order. A modal window that no step expects
// ends the walk-through as a failure.
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
                press(okButton);
            } },
        { QStringLiteral("the \"End User Directive\" box"),
            [this] { return modalTitled(windowText("End User Directive")); },
            [this] {
                saveWindowsPicture(QStringLiteral("03-directive"));
                answerBox(QMessageBox::Ok);
            } },
        { QStringLiteral("the calibration dialog"), [this] { return dialogIsWaitingForUser(); },
            [this] { choosePortAndConnect(); } },
        { QStringLiteral("the fixture and the sensor to be identified"),
            [this] {
                auto *connectButton = dialogChild<QPushButton>("calibrationPB_Connect");
                return dialogIsWaitingForUser() && connectButton->isEnabled()
                    && connectButton->text() == dialogText("Continue");
            },
            [this] {
                saveWindowsPicture(QStringLiteral("05-identified"));
                press(dialogChild<QAbstractButton>("Validate_RB"));
                press(dialogChild<QAbstractButton>("calibrationPB_Connect"));
            } },
        { QStringLiteral("the validation of the drifted sensor to fail"),
            [this] { return boxOffers(dialogText("User Input Necessary"), QMessageBox::Yes); },
            [this] {
                saveWindowsPicture(QStringLiteral("06-validation-failed"));
                answerBox(QMessageBox::Yes);
            } },
        { QStringLiteral("the calibration to offer storing the new constants"),
            [this] { return boxOffers(dialogText("Important Information"), QMessageBox::Yes); },
            [this] {
                saveWindowsPicture(QStringLiteral("07-calibrated"));
                answerBox(QMessageBox::Yes);
            } },
        { QStringLiteral("the validation of the new constants to pass"),
            [this] { return boxOffers(dialogText("User Input Necessary"), QMessageBox::Save); },
            [this] {
                saveWindowsPicture(QStringLiteral("08-validation-passed"));
                answerBox(QMessageBox::Save);
            } },
        { QStringLiteral("the \"SaveFile\" dialog"),
            [this] { return modalTitled(dialogText("SaveFile")); },
            [this] {
                saveWindowsPicture(QStringLiteral("09-save-report"));
                chooseFile(m_reportPath);
            } },
        { QStringLiteral("the Print button"),
            [this] {
                return dialogIsWaitingForUser()
                    && dialogChild<QPushButton>("calibrationDlg_Print")->isVisible();
            },
            [this] {
                saveWindowsPicture(QStringLiteral("10-report-saved"));
                press(dialogChild<QPushButton>("calibrationDlg_Print"));
            } },
        { QStringLiteral("the print dialog"),
            [this] { return qobject_cast<QPrintDialog *>(freshModal()) != nullptr; },
            [this] {
                saveWindowsPicture(QStringLiteral("11-print"));
                printToPdf();
            } },
        { QStringLiteral("the \"Print File\" dialog"),
            [this] { return modalTitled(dialogText("Print File")); },
            [this] { chooseFile(m_reportPath); } },
        { QStringLiteral("the dialog to offer a further run"),
            [this] {
                return dialogIsWaitingForUser()
                    && dialogChild<QPushButton>("calibrationPB_Connect")->isEnabled();
            },
            [this] {
                saveWindowsPicture(QStringLiteral("12-printed"));
                const QString problem = outcomeProblem();
                if (!problem.isEmpty()) {
                    fail(problem);
                    return;
                }
                press(dialogChild<QPushButton>("CalibrationPB_Close"));
            } },
        { QStringLiteral("the calibration dialog to close"),
            [this] { return !dialog() && !QApplication::activeModalWidget(); },
            [this] { finish(); } },
    };
}

void Walkthrough::poll()
{
    if (m_over)
        return;
    printStatusChange();
    noteModalChange();
    if (m_nextStep >= m_steps.size())
        return;
    const Step &step = m_steps.at(m_nextStep);
    if (step.ready()) {
        ++m_nextStep;
        step.act();
        return;
    }
    if (unexpectedModalShown()) {
        auto *box = qobject_cast<QMessageBox *>(freshModal());
        fail(QStringLiteral("while waiting for %1, \"%2\" appeared%3")
                 .arg(step.waitingFor, freshModal()->windowTitle(),
                     box ? QStringLiteral(": ") + box->text() : QString()));
    }
}

// Polled, as QLabel tells no one of a new text: a message the dialog replaces within the same
// few milliseconds, as during identification, goes by unprinted, as it goes by unread.
void Walkthrough::printStatusChange()
{
    const auto *status = dialogChild<QLabel>("infobar_status");
    if (!status || status->text() == m_lastStatus)
        return;
    m_lastStatus = status->text();
    printLine(m_lastStatus);
}

void Walkthrough::noteModalChange()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (modal == m_shownModal)
        return;
    m_shownModal = modal;
    m_shownModalClock.start();
}

bool Walkthrough::unexpectedModalShown()
{
    QWidget *modal = freshModal();
    return modal && modal != dialog();
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
    m_over = true;
    m_poll.stop();
    m_succeeded = true;
    say(QStringLiteral("done in %1 s: report %2, printout %3, the sensor holds the new constants")
            .arg(m_clock.elapsed() / 1000.0, 0, 'f', 1)
            .arg(m_reportPath, m_pdfPath));
    press(m_window.findChild<QPushButton *>(QStringLiteral("MainPB_Close")));
}

// ---- The technician's hands

void Walkthrough::say(const QString &text) const
{
    printLine(QStringLiteral("> ") + text);
}

void Walkthrough::saveWindowsPicture(const QString &name)
{
    QList<QWidget *> windows { &m_window };
    if (CalibrationDlg *calibration = dialog())
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
void Walkthrough::press(QAbstractButton *button)
{
    say(QStringLiteral("presses %1").arg(button->text()));
    QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
}

void Walkthrough::answerBox(QMessageBox::StandardButton button)
{
    auto *box = qobject_cast<QMessageBox *>(freshModal());
    m_answered = box;
    say(QStringLiteral("reads \"%1\": %2").arg(box->windowTitle(), box->text()));
    press(box->button(button));
}

void Walkthrough::chooseFile(const QString &path)
{
    auto *fileDialog = qobject_cast<QFileDialog *>(freshModal());
    m_answered = fileDialog;
    say(QStringLiteral("chooses %1 in \"%2\"").arg(path, fileDialog->windowTitle()));
    // Typed into the name field, as a user would: the whole path, folder and all.
    auto *nameField = fileDialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    if (!nameField) {
        fail(QStringLiteral("\"%1\" has no file name field").arg(fileDialog->windowTitle()));
        return;
    }
    nameField->setText(path);
    const QString chosen = fileDialog->selectedFiles().value(0);
    if (chosen != path) {
        fail(QStringLiteral("\"%1\" took %2 instead").arg(fileDialog->windowTitle(), chosen));
        return;
    }
    static_cast<QDialog *>(fileDialog)->accept();
}

void Walkthrough::printToPdf()
{
    auto *printDialog = qobject_cast<QPrintDialog *>(freshModal());
    m_answered = printDialog;
    say(QStringLiteral("prints to the file %1").arg(m_pdfPath));
    printDialog->printer()->setOutputFormat(QPrinter::PdfFormat);
    printDialog->printer()->setOutputFileName(m_pdfPath);
    // accept() would copy the dialog's own settings over the output file.
    printDialog->done(QDialog::Accepted);
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
    auto *ports = dialogChild<QComboBox>("calibrationDlgCB_comport");
    const int index = ports->findText(m_simulator.portPath());
    if (index < 0) {
        fail(QStringLiteral("the simulated fixture's port %1 is not offered")
                 .arg(m_simulator.portPath()));
        return;
    }
    say(QStringLiteral("chooses the port %1").arg(m_simulator.portPath()));
    ports->setCurrentIndex(index);
    emit ports->activated(index);
    saveWindowsPicture(QStringLiteral("04-connect"));
    press(dialogChild<QPushButton>("calibrationPB_Connect"));
}

// ---- What the technician sees

// The active modal window once it has settled, unless it is one already answered that is still
// on its way out.
QWidget *Walkthrough::freshModal() const
{
    QWidget *modal = QApplication::activeModalWidget();
    const bool settled = modal == m_shownModal && m_shownModalClock.hasExpired(settleTime.count());
    return settled && modal != m_answered ? modal : nullptr;
}

bool Walkthrough::modalTitled(const QString &title) const
{
    const QWidget *modal = freshModal();
    return modal && modal->windowTitle() == title;
}

bool Walkthrough::boxOffers(const QString &title, QMessageBox::StandardButton button) const
{
    const auto *box = qobject_cast<QMessageBox *>(freshModal());
    return box && box->windowTitle() == title && box->button(button);
}

CalibrationDlg *Walkthrough::dialog() const
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (auto *calibration = qobject_cast<CalibrationDlg *>(window))
            return calibration;
    }
    return nullptr;
}

template <typename T> T *Walkthrough::dialogChild(const char *objectName) const
{
    const CalibrationDlg *calibration = dialog();
    return calibration ? calibration->findChild<T *>(QLatin1String(objectName)) : nullptr;
}

bool Walkthrough::dialogIsWaitingForUser() const
{
    CalibrationDlg *calibration = dialog();
    return calibration && QApplication::activeModalWidget() == calibration
        && !QApplication::overrideCursor();
}

// ---- Did the job end as it should?

QString Walkthrough::outcomeProblem() const
{
    const QString report = reportProblem();
    if (!report.isEmpty())
        return report;
    if (!fileBytes(m_pdfPath).startsWith("%PDF"))
        return QStringLiteral("no printout in %1").arg(m_pdfPath);
    return sensorProblem();
}

QString Walkthrough::reportProblem() const
{
    QList<QByteArray> lines = fileBytes(m_reportPath).split('\n');
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

QString Walkthrough::sensorProblem() const
{
    const double shownSlope = dialogChild<QLineEdit>("calLE_NewCslp")->text().toDouble();
    const double shownOffset = dialogChild<QLineEdit>("calLE_NewCoff")->text().toDouble();
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
    return {};
}
