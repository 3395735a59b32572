#include "calibrationdlg.h"
#include "company.h"
#include "instructiontexts.h"
#include "modalanswerer.h"
#include "widget.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <functional>
#include <memory>

namespace {

using DirectiveAnswer = std::function<void(QMessageBox *)>;

QString contactLine(const char *distributorEntry, const char *makerEntry)
{
    return QLatin1String(distributorEntry) + QStringLiteral("\t\t\t") + QLatin1String(makerEntry);
}

}

Q_DECLARE_METATYPE(DirectiveAnswer)

class WidgetTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void scrollGateOpensOnlyAtTheEnd_data();
    void scrollGateOpensOnlyAtTheEnd();
    void aboutNeverOpensTheScrollGate();
    void closeBeforeReadingEndsTheProgram();
    void aboutTogglesBetweenContactsAndInstructions();
    void okShowsDirectiveThenAFreshCalibrationDialog_data();
    void okShowsDirectiveThenAFreshCalibrationDialog();

private:
    struct Window
    {
        Widget widget;
        QTextEdit *instructions = nullptr;
        QScrollBar *scrollBar = nullptr;
        QPushButton *ok = nullptr;
        QPushButton *about = nullptr;
    };
    std::unique_ptr<Window> shownWindow();
};

// A misspelled on_ slot only shows as this warning when the form connects slots by name.
void WidgetTest::init()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral("No matching signal")));
}

std::unique_ptr<WidgetTest::Window> WidgetTest::shownWindow()
{
    auto window = std::make_unique<Window>();
    window->instructions
        = window->widget.findChild<QTextEdit *>(QStringLiteral("mainTE_Instructions"));
    window->ok = window->widget.findChild<QPushButton *>(QStringLiteral("mainPB_OK"));
    window->about = window->widget.findChild<QPushButton *>(QStringLiteral("mainPB_About"));
    if (!window->instructions || !window->ok || !window->about)
        return nullptr;
    window->scrollBar = window->instructions->verticalScrollBar();
    window->widget.show();
    if (!QTest::qWaitForWindowExposed(&window->widget))
        return nullptr;
    return window;
}

void WidgetTest::scrollGateOpensOnlyAtTheEnd_data()
{
    QTest::addColumn<bool>("emptyTheText");
    QTest::addColumn<int>("stepsShortOfTheEnd");
    QTest::addColumn<bool>("okEnabled");

    QTest::newRow("lands on the maximum") << false << 0 << true;
    QTest::newRow("one below the maximum") << false << 1 << false;
    QTest::newRow("value 0 with an empty range") << true << 0 << true;
}

void WidgetTest::scrollGateOpensOnlyAtTheEnd()
{
    QFETCH(bool, emptyTheText);
    QFETCH(int, stepsShortOfTheEnd);
    QFETCH(bool, okEnabled);

    const auto window = shownWindow();
    QVERIFY(window);
    QVERIFY(!window->ok->isEnabled());
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

// Only the reader's scrolling of the instructions opens the gate, not About refilling the area.
void WidgetTest::aboutNeverOpensTheScrollGate()
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
    // Once offered, OK stays, whatever is scrolled or toggled afterwards.
    QTest::keyClick(window->instructions, Qt::Key_Home);
    QTest::mouseClick(window->about, Qt::LeftButton);
    QVERIFY(window->ok->isEnabled());
}

// The program ends when its last window closes; Close must get there even with OK still locked.
void WidgetTest::closeBeforeReadingEndsTheProgram()
{
    const auto window = shownWindow();
    QVERIFY(window);
    QVERIFY(!window->ok->isEnabled());
    auto *close = window->widget.findChild<QPushButton *>(QStringLiteral("MainPB_Close"));
    QVERIFY(close);

    QTimer::singleShot(0, close, [close] { QTest::mouseClick(close, Qt::LeftButton); });
    QTimer stillRunning;
    stillRunning.setSingleShot(true);
    connect(&stillRunning, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
    stillRunning.start(std::chrono::seconds(2));
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!window->widget.isVisible());
}

void WidgetTest::aboutTogglesBetweenContactsAndInstructions()
{
    const auto window = shownWindow();
    QVERIFY(window);
    window->scrollBar->setValue(window->scrollBar->maximum() / 2);
    QVERIFY(window->scrollBar->value() > 0);

    QTest::mouseClick(window->about, Qt::LeftButton);
    QCOMPARE(window->about->text(), QStringLiteral("Instructions"));
    const QStringList aboutLines = {
        QStringLiteral("Version " CVU_VERSION),
        QString(),
        contactLine(Company::distributorName, Company::makerName),
        contactLine(Company::distributorTown, Company::makerTown),
        contactLine(Company::distributorWeb, Company::makerWeb),
    };
    QCOMPARE(window->instructions->toPlainText(), aboutLines.join(QLatin1Char('\n')));
    QCOMPARE(window->scrollBar->value(), window->scrollBar->minimum());

    window->scrollBar->setValue(window->scrollBar->maximum());
    QTest::mouseClick(window->about, Qt::LeftButton);
    QCOMPARE(window->about->text(), QStringLiteral("About"));
    QCOMPARE(window->instructions->toPlainText(),
        instructionTexts.join(QStringLiteral("\n\n")) + QLatin1Char('\n'));
    QVERIFY(window->scrollBar->maximum() > 0);
    QCOMPARE(window->scrollBar->value(), window->scrollBar->minimum());
}

void WidgetTest::okShowsDirectiveThenAFreshCalibrationDialog_data()
{
    QTest::addColumn<DirectiveAnswer>("answerDirective");
    QTest::addColumn<bool>("acceptDialog");
    QTest::addColumn<QByteArray>("trace");

    QTest::newRow("Escape, dialog closed")
        << DirectiveAnswer([](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Escape); }) << false
        << QByteArray("Reject");
    QTest::newRow("OK button, dialog accepted") << DirectiveAnswer([](QMessageBox *box) {
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    }) << true << QByteArray("Accept");
    QTest::newRow("title bar close, dialog closed")
        << DirectiveAnswer([](QMessageBox *box) { box->close(); }) << false << QByteArray("Reject");
}

void WidgetTest::okShowsDirectiveThenAFreshCalibrationDialog()
{
    QFETCH(DirectiveAnswer, answerDirective);
    QFETCH(bool, acceptDialog);
    QFETCH(QByteArray, trace);

    const auto window = shownWindow();
    QVERIFY(window);
    window->scrollBar->setValue(window->scrollBar->maximum());

    ModalAnswerer answerer;
    // What the first run leaves in the dialog must not be there when the second one opens.
    for (const QString &typedIntoTheDialog : { QStringLiteral("left over"), QString() }) {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        answerer.answerNext(
            [&](QWidget *modal) {
                auto *box = static_cast<QMessageBox *>(modal);
                title = box->windowTitle();
                text = box->text();
                icon = box->icon();
                answerDirective(box);
            },
            ModalAnswerer::ofType<QMessageBox>());
        QString sensorTypeAtStart;
        answerer.answerNext(
            [&](QWidget *modal) {
                auto *sensorType = modal->findChild<QLineEdit *>(QStringLiteral("calLE_TARNEL"));
                sensorTypeAtStart = sensorType->text();
                sensorType->setText(typedIntoTheDialog);
                auto *calibration = static_cast<QDialog *>(modal);
                acceptDialog ? calibration->accept() : calibration->reject();
            },
            ModalAnswerer::ofType<CalibrationDlg>());

        QTest::ignoreMessage(QtDebugMsg, trace.constData());
        QTest::mouseClick(window->ok, Qt::LeftButton);

        QVERIFY2(answerer.problems().isEmpty(), qPrintable(answerer.problems().join(u'\n')));
        QCOMPARE(answerer.pending(), 0);
        QCOMPARE(title, QStringLiteral("End User Directive"));
        QCOMPARE(text,
            QStringLiteral("Please verify the KR-5M-LD-CV-LNK is connected to the computer via "
                           "a USB cable and ensure KR-5M-LD is powered and the display reads "
                           "\"Push to Sample\""));
        QCOMPARE(icon, QMessageBox::Warning);
        QVERIFY(sensorTypeAtStart.isEmpty());
        QVERIFY(window->ok->isEnabled());
    }
}

QTEST_MAIN(WidgetTest)
#include "tst_widget.moc"
