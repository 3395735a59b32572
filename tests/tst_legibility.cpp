#include "appsetup.h"
#include "fixturesession.h"
#include "modalanswerer.h"
#include "widget.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QTest>

// Every text of the three forms fits the widget drawn for it, in every view the technician
// meets and with the values a real run puts in the fields; and step values stay readable on
// a dark desktop.
class LegibilityTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void instructionWindowTextsFit();
    void calibrationDialogTextsFitInEveryView();
    void stepValuesAreDarkOnTheirColoursUnderADarkPalette();
};

namespace {

// Room for text inside a widget, as its style draws it.
int textRoom(const QWidget *widget)
{
    QStyle *style = widget->style();
    if (const auto *edit = qobject_cast<const QLineEdit *>(widget)) {
        QStyleOptionFrame frame;
        frame.initFrom(edit);
        frame.rect = edit->rect();
        frame.lineWidth
            = edit->hasFrame() ? style->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, edit) : 0;
        // QLineEdit keeps two pixels free on either side of its text.
        return style->subElementRect(QStyle::SE_LineEditContents, &frame, edit).width() - 4;
    }
    if (qobject_cast<const QRadioButton *>(widget))
        return widget->width()
            - (widget->sizeHint().width()
                - widget->fontMetrics().horizontalAdvance(
                    static_cast<const QAbstractButton *>(widget)->text()));
    if (const auto *button = qobject_cast<const QPushButton *>(widget)) {
        QStyleOptionButton option;
        option.initFrom(button);
        const QSize frame
            = style->sizeFromContents(QStyle::CT_PushButton, &option, QSize(), button);
        return button->width() - frame.width();
    }
    return widget->contentsRect().width();
}

QString shownText(const QWidget *widget)
{
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        return label->text();
    if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
        return button->text();
    if (const auto *edit = qobject_cast<const QLineEdit *>(widget))
        return edit->displayText();
    return {};
}

// "objectName "text": advance > room" for each visible text that does not fit.
QStringList cutTexts(const QWidget *window)
{
    QStringList cut;
    for (const QWidget *widget : window->findChildren<QWidget *>()) {
        const QString text = shownText(widget);
        if (text.isEmpty() || !widget->isVisible())
            continue;
        const int advance = widget->fontMetrics().horizontalAdvance(text);
        const int room = textRoom(widget);
        if (advance > room)
            cut.append(QStringLiteral("%1 \"%2\": %3 > %4")
                           .arg(widget->objectName(), text.simplified())
                           .arg(advance)
                           .arg(room));
    }
    return cut;
}

}

void LegibilityTest::initTestCase()
{
    useTestSettings();
    const QString family = useFormFont();
    qInfo("form font: %s", qPrintable(family));
}

void LegibilityTest::instructionWindowTextsFit()
{
    Widget window;
    window.show();
    QVERIFY2(cutTexts(&window).isEmpty(), qPrintable(cutTexts(&window).join('\n')));
    QTest::mouseClick(window.findChild<QPushButton *>("mainPB_About"), Qt::LeftButton);
    QVERIFY2(cutTexts(&window).isEmpty(), qPrintable(cutTexts(&window).join('\n')));
}

// Construction, identified, a passed validation, a calibration with its new constants, and
// the validation of the stored constants with the new constants shown above it.
void LegibilityTest::calibrationDialogTextsFitInEveryView()
{
    FixtureSession session(calibratableSensor());
    QStringList cut = cutTexts(session.dialog.get());
    QVERIFY(session.identify());
    cut += cutTexts(session.dialog.get());

    ModalAnswerer answerer;
    const auto lookThenPress = [&](QMessageBox::StandardButton button) {
        answerer.answerNext([&, button](QWidget *box) {
            cut += cutTexts(session.dialog.get());
            static_cast<QMessageBox *>(box)->button(button)->click();
        });
    };
    lookThenPress(QMessageBox::No);
    session.startValidation();
    QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(10)));
    lookThenPress(QMessageBox::Yes);
    lookThenPress(QMessageBox::Cancel);
    session.startCalibration();
    QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(15)));

    QVERIFY(session.field("calLE_NewCslp")->isVisible());
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join('\n')));
}

void LegibilityTest::stepValuesAreDarkOnTheirColoursUnderADarkPalette()
{
    const QPalette original = QApplication::palette();
    QPalette dark = original;
    dark.setColor(QPalette::Base, QColor(0x23, 0x26, 0x29));
    dark.setColor(QPalette::Window, QColor(0x31, 0x36, 0x3b));
    for (const QPalette::ColorRole role : { QPalette::Text, QPalette::WindowText })
        dark.setColor(role, QColor(0xfc, 0xfc, 0xfc));
    QApplication::setPalette(dark);
    const auto restore = qScopeGuard([&] { QApplication::setPalette(original); });

    SimulatorOptions options;
    options.failStep = 3;
    FixtureSession session(options);
    QVERIFY(session.identify());
    ModalAnswerer answerer;
    QStringList shown;
    answerer.answerNext([&](QWidget *box) {
        for (int step = 1; step <= 5; ++step) {
            const QPalette palette
                = session.field(qPrintable(QStringLiteral("calLE_Step%1").arg(step)))->palette();
            for (const QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive })
                shown.append(QStringLiteral("%1 on %2")
                                 .arg(palette.color(group, QPalette::Text).name(),
                                     palette.color(group, QPalette::Base).name()));
        }
        static_cast<QMessageBox *>(box)->button(QMessageBox::No)->click();
    });
    session.startValidation();
    QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(10)));

    const QString green = QStringLiteral("#000000 on #00ff00");
    QCOMPARE(shown,
        (QStringList { green, green, green, green, "#000000 on #ff0000", "#000000 on #ff0000",
            green, green, green, green }));
    QTest::mouseClick(session.widget<QRadioButton>("Validate_RB"), Qt::LeftButton);
    QCOMPARE(session.field("calLE_Step1")->palette().color(QPalette::Text), QColor(Qt::black));
    QCOMPARE(session.field("calLE_Step1")->palette().color(QPalette::Base), QColor(Qt::white));
}

QTEST_MAIN(LegibilityTest)
#include "tst_legibility.moc"
