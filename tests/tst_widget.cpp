#include "boxanswerer.h"
#include "calibrationdlg.h"
#include "widget.h"

#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

namespace {

using DirectiveAnswer = std::function<void(QMessageBox *)>;

struct Window
{
    Widget widget;
    QTextEdit *instructions = widget.findChild<QTextEdit *>(QStringLiteral("mainTE_Instructions"));
    QScrollBar *scrollBar = instructions->verticalScrollBar();
    QPushButton *ok = widget.findChild<QPushButton *>(QStringLiteral("mainPB_OK"));
    QPushButton *about = widget.findChild<QPushButton *>(QStringLiteral("mainPB_About"));
};

std::unique_ptr<Window> shownWindow()
{
    auto window = std::make_unique<Window>();
    window->widget.show();
    return QTest::qWaitForWindowExposed(&window->widget) ? std::move(window) : nullptr;
}

// The form's text and the one About refills the area with differ in their line ends.
QStringList paragraphs(const QTextEdit *instructions)
{
    QStringList paragraphs = instructions->toPlainText().split(QStringLiteral("\n\n"));
    for (QString &paragraph : paragraphs)
        paragraph = paragraph.trimmed();
    return paragraphs;
}

std::unique_ptr<CalibrationDlg> newDialog()
{
    return std::make_unique<CalibrationDlg>(nullptr,
        PortAccess { [] {
                        return QList<PortInfo> { { "ttyUSB0", "FTDIBUS" } };
                    },
            [](const QString &, OpenFailure *) -> QIODevice * { return nullptr; } });
}

QStringList visibleOf(const QWidget &dialog, const QStringList &names)
{
    QStringList visible;
    for (const QString &name : names) {
        const auto *widget = dialog.findChild<QWidget *>(name);
        if (widget && widget->isVisibleTo(&dialog))
            visible.append(name);
    }
    return visible;
}

// While it lives, the program's traces are silenced the way README tells a user to, and any
// trace still printed is heard here.
class SilencedTraces
{
public:
    SilencedTraces()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("cvu.*.debug=false"));
        s_heard.clear();
        m_previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
                if (type == QtDebugMsg)
                    s_heard.append(QString::fromLatin1(context.category) + u' ' + message);
            });
    }
    ~SilencedTraces()
    {
        qInstallMessageHandler(m_previous);
        QLoggingCategory::setFilterRules(QString());
    }
    SilencedTraces(const SilencedTraces &) = delete;
    SilencedTraces &operator=(const SilencedTraces &) = delete;

    static QStringList heard() { return s_heard; }

private:
    static inline QStringList s_heard;
    QtMessageHandler m_previous = nullptr;
};

const QStringList stepFields { "calLE_Step1", "calLE_Step2", "calLE_Step3", "calLE_Step4",
    "calLE_Step5" };
const QStringList newConstants { "label_2", "label_5", "label_7", "calLE_NewCslp",
    "calLE_NewCoff" };

}

Q_DECLARE_METATYPE(DirectiveAnswer)

// The instruction window and the calibration dialog's own views, before any fixture answers.
// Connections by object name are guarded by the warning every test fails on.
class WidgetTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("No matching signal"))); }

    void instructionsOpenLockedAtTheirStart()
    {
        const auto window = shownWindow();
        QVERIFY(window);
        const QStringList shown = paragraphs(window->instructions);
        QCOMPARE(shown.size(), 11);
        QCOMPARE(shown.first(), QStringLiteral("Please read all instructions before proceeding."));
        QCOMPARE(window->scrollBar->value(), 0);
        QVERIFY(!window->ok->isEnabled());
        QCOMPARE(window->widget.minimumSize(), QSize(750, 455));
        QCOMPARE(window->widget.maximumSize(), QSize(750, 455));
    }

    void scrollGateOpensOnlyAtTheEnd_data()
    {
        QTest::addColumn<bool>("emptyTheText");
        QTest::addColumn<int>("stepsShortOfTheEnd");
        QTest::addColumn<bool>("okEnabled");
        QTest::newRow("lands on the maximum") << false << 0 << true;
        QTest::newRow("one below the maximum") << false << 1 << false;
        QTest::newRow("value 0 with an empty range") << true << 0 << true;
    }

    void scrollGateOpensOnlyAtTheEnd()
    {
        QFETCH(bool, emptyTheText);
        QFETCH(int, stepsShortOfTheEnd);
        QFETCH(bool, okEnabled);
        const auto window = shownWindow();
        QVERIFY(window);
        QVERIFY2(window->scrollBar->maximum() > 2, "the instructions must need scrolling");

        if (okEnabled)
            QTest::ignoreMessage(QtDebugMsg, "Slider @ bottom");
        if (emptyTheText) {
            window->scrollBar->setValue(window->scrollBar->maximum() / 2);
            QVERIFY(!window->ok->isEnabled());
            window->instructions->clear();
            QCOMPARE(window->scrollBar->maximum(), 0);
        } else {
            window->scrollBar->setValue(window->scrollBar->maximum() - stepsShortOfTheEnd);
        }
        QCOMPARE(window->ok->isEnabled(), okEnabled);
    }

    // Only the reader's scrolling of the instructions opens the gate, not About refilling the
    // area; once offered, OK stays, whatever is scrolled or toggled afterwards.
    void aboutNeverOpensTheScrollGate()
    {
        const auto window = shownWindow();
        QVERIFY(window);
        QTest::mouseClick(window->about, Qt::LeftButton);
        QTest::mouseClick(window->about, Qt::LeftButton);
        QCoreApplication::processEvents();
        QVERIFY(!window->ok->isEnabled());

        window->scrollBar->setValue(window->scrollBar->maximum() / 2);
        QTest::mouseClick(window->about, Qt::LeftButton);
        window->scrollBar->setValue(window->scrollBar->maximum());
        QTest::mouseClick(window->about, Qt::LeftButton);
        QCoreApplication::processEvents();
        QVERIFY(!window->ok->isEnabled());

        QTest::ignoreMessage(QtDebugMsg, "Slider @ bottom");
        QTest::keyClick(window->instructions, Qt::Key_End);
        QVERIFY(window->ok->isEnabled());
        QTest::keyClick(window->instructions, Qt::Key_Home);
        QTest::mouseClick(window->about, Qt::LeftButton);
        QVERIFY(window->ok->isEnabled());
    }

    void aboutTogglesBetweenContactsAndInstructions()
    {
        const auto window = shownWindow();
        QVERIFY(window);
        const QStringList instructions = paragraphs(window->instructions);
        window->scrollBar->setValue(window->scrollBar->maximum() / 2);

        QTest::mouseClick(window->about, Qt::LeftButton);
        QCOMPARE(window->about->text(), QStringLiteral("Instructions"));
        QCOMPARE(window->instructions->toPlainText(),
            QStringLiteral("Version " CVU_VERSION "\n\n"
                           "Brellmoor\t\t\tVarnell Incorporated\n"
                           "Ashcombe, AB1 2CD\t\t\tKettleby, OH 44000\n"
                           "www.brellmoor.example\t\t\twww.varnell.example"));
        QCOMPARE(window->scrollBar->value(), window->scrollBar->minimum());

        window->scrollBar->setValue(window->scrollBar->maximum());
        QTest::mouseClick(window->about, Qt::LeftButton);
        QCOMPARE(window->about->text(), QStringLiteral("About"));
        QCOMPARE(paragraphs(window->instructions), instructions);
        QVERIFY(window->scrollBar->maximum() > 0);
        QCOMPARE(window->scrollBar->value(), window->scrollBar->minimum());
    }

    // The program ends when its last window closes; Close must get there even with OK locked.
    void closeBeforeReadingEndsTheProgram()
    {
        const auto window = shownWindow();
        QVERIFY(window);
        auto *close = window->widget.findChild<QPushButton *>(QStringLiteral("MainPB_Close"));
        QTimer::singleShot(0, close, [close] { QTest::mouseClick(close, Qt::LeftButton); });
        QTimer::singleShot(std::chrono::seconds(2), qApp, [] { QCoreApplication::exit(1); });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!window->widget.isVisible());
    }

    void okShowsDirectiveThenAFreshCalibrationDialog_data()
    {
        QTest::addColumn<DirectiveAnswer>("answerDirective");
        QTest::addColumn<bool>("acceptDialog");
        QTest::addColumn<QByteArray>("trace");
        QTest::newRow("Escape, dialog closed")
            << DirectiveAnswer([](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Escape); })
            << false << QByteArray("Reject");
        QTest::newRow("OK button, dialog accepted") << DirectiveAnswer([](QMessageBox *box) {
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        }) << true << QByteArray("Accept");
        QTest::newRow("title bar close, dialog closed")
            << DirectiveAnswer([](QMessageBox *box) { box->close(); }) << false
            << QByteArray("Reject");
        // No trace expected: the traces are silenced, and the dialog must open all the same.
        QTest::newRow("traces silenced, dialog accepted") << DirectiveAnswer([](QMessageBox *box) {
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        }) << true << QByteArray();
    }

    void okShowsDirectiveThenAFreshCalibrationDialog()
    {
        QFETCH(DirectiveAnswer, answerDirective);
        QFETCH(bool, acceptDialog);
        QFETCH(QByteArray, trace);
        const auto window = shownWindow();
        QVERIFY(window);
        window->scrollBar->setValue(window->scrollBar->maximum());

        BoxAnswerer answerer;
        // What the first run leaves in the dialog must not be there when the second one opens.
        for (const QString &typedIntoTheDialog : { QStringLiteral("left over"), QString() }) {
            QString title, text;
            QMessageBox::Icon icon = QMessageBox::NoIcon;
            answerer.answerNext(
                [&](QWidget *modal) {
                    auto *box = static_cast<QMessageBox *>(modal);
                    title = box->windowTitle();
                    text = box->text();
                    icon = box->icon();
                    answerDirective(box);
                },
                BoxAnswerer::ofType<QMessageBox>());
            QString sensorTypeAtStart;
            answerer.answerNext(
                [&](QWidget *modal) {
                    auto *sensorType
                        = modal->findChild<QLineEdit *>(QStringLiteral("calLE_TARNEL"));
                    sensorTypeAtStart = sensorType->text();
                    sensorType->setText(typedIntoTheDialog);
                    auto *calibration = static_cast<QDialog *>(modal);
                    acceptDialog ? calibration->accept() : calibration->reject();
                },
                BoxAnswerer::ofType<CalibrationDlg>());

            std::optional<SilencedTraces> silenced;
            if (trace.isEmpty())
                silenced.emplace();
            else
                QTest::ignoreMessage(QtDebugMsg, trace.constData());
            QTest::mouseClick(window->ok, Qt::LeftButton);
            if (silenced) {
                QCOMPARE(SilencedTraces::heard(), QStringList());
                silenced.reset();
            }

            QVERIFY2(answerer.problems().isEmpty(), qPrintable(answerer.problems().join(u'\n')));
            QCOMPARE(answerer.pending(), 0);
            QCOMPARE(title, QStringLiteral("End User Directive"));
            QCOMPARE(text,
                QStringLiteral("Please verify the KR-5M-LD-CV-LNK is connected to the computer "
                               "via a USB cable and ensure KR-5M-LD is powered and the display "
                               "reads \"Push to Sample\""));
            QCOMPARE(icon, QMessageBox::Warning);
            QVERIFY(sensorTypeAtStart.isEmpty());
            QVERIFY(window->ok->isEnabled());
        }
    }

    void onlyTheSensorFieldsAndLaterStepsTakeTyping()
    {
        const auto dialog = newDialog();
        QStringList editable;
        for (const QLineEdit *field : dialog->findChildren<QLineEdit *>())
            if (!field->isReadOnly())
                editable.append(field->objectName());
        editable.sort();
        QCOMPARE(editable,
            (QStringList { "calLE_Step3", "calLE_Step4", "calLE_Step5", "calLE_TARNEL",
                "calLE_TARNEL_CAL", "calLE_TARNEL_SN", "calLE_TARNEL_VER" }));
    }

    void dialogOpensWithOnlyThePortChoice()
    {
        const auto dialog = newDialog();
        dialog->show();
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        QCOMPARE(visibleOf(*dialog,
                     stepFields + newConstants
                         + QStringList { "calibrationDlg_Print", "Validate_RB", "Calibrate_RB",
                             "line_1", "label_3", "label_8", "label_15", "label_16", "label_21" }),
            QStringList());
        QVERIFY(dialog->findChild<QRadioButton *>("Validate_RB")->isChecked());
        QVERIFY(dialog->findChild<QPushButton *>("calibrationPB_Connect")->hasFocus());
        QCOMPARE(dialog->findChild<QLabel *>("infobar_status")->text(),
            QStringLiteral("User must select correct port from dropdown box and press connect."));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Calibration Screen"));
    }

    void valueViewsFollowTheModeSwitches()
    {
        const auto dialog = newDialog();
        dialog->show();
        auto *validate = dialog->findChild<QRadioButton *>("Validate_RB");
        auto *calibrate = dialog->findChild<QRadioButton *>("Calibrate_RB");
        validate->show();
        calibrate->show();
        auto *step4 = dialog->findChild<QLineEdit *>("calLE_Step4");
        auto *newSlope = dialog->findChild<QLineEdit *>("calLE_NewCslp");
        auto *heading = dialog->findChild<QLabel *>("label_3");
        newSlope->setText("1.745200");

        QTest::mouseClick(calibrate, Qt::LeftButton);
        QVERIFY(!validate->isChecked());
        QCOMPARE(visibleOf(*dialog, stepFields + newConstants),
            QStringList({ "calLE_Step1", "calLE_Step2" }) + newConstants);
        QCOMPARE(heading->text(), QStringLiteral("CALIBRATION VALUES"));

        step4->setText("1004");
        step4->setPalette(QPalette(Qt::red));
        QTest::mouseClick(validate, Qt::LeftButton);
        QVERIFY(!calibrate->isChecked());
        QCOMPARE(visibleOf(*dialog, stepFields + newConstants), stepFields);
        QCOMPARE(heading->text(), QStringLiteral("VALIDATION VALUES"));
        QVERIFY(step4->text().isEmpty());
        QCOMPARE(step4->palette().color(QPalette::Base), QColor(Qt::white));
        QCOMPARE(newSlope->text(), QStringLiteral("1.745200"));
    }
};

QTEST_MAIN(WidgetTest)
#include "tst_widget.moc"
