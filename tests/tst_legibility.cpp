#include "appsetup.h"
#include "boxanswerer.h"
#include "fixturesession.h"
#include "widget.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QTest>

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

// Every text of the three forms fits the widget drawn for it, in every view the technician
// meets and with the values a real run puts in the fields.
class LegibilityTest : public QObject
{
    Q_OBJECT

private slots:

    void initTestCase()
    {
        useTestSettings();
        const QString family = useFormFont();
        qInfo("form font: %s", qPrintable(family));
    }

    // Tahoma at 8 pt, as on the platform the forms were drawn on, in place of "MS Shell Dlg 2" too.
    void formsUseTheFontTheyWereDrawnFor()
    {
        if (!QFile::exists(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf")))
            QSKIP("fonts-wine is not installed (scripts/setup installs it)");
        QCOMPARE(QApplication::font().family(), QStringLiteral("Tahoma"));
        QCOMPARE(QApplication::font().pointSize(), 8);
        QCOMPARE(
            QFontInfo(QFont(QStringLiteral("MS Shell Dlg 2"))).family(), QStringLiteral("Tahoma"));
    }

    void instructionWindowTextsFit()
    {
        Widget window;
        window.show();
        QVERIFY2(cutTexts(&window).isEmpty(), qPrintable(cutTexts(&window).join('\n')));
        QTest::mouseClick(window.findChild<QPushButton *>("mainPB_About"), Qt::LeftButton);
        QVERIFY2(cutTexts(&window).isEmpty(), qPrintable(cutTexts(&window).join('\n')));
    }

    // Construction, identified, a passed validation, a calibration with its new constants, and
    // the validation of the stored constants with the new constants shown above it.
    void calibrationDialogTextsFitInEveryView()
    {
        FixtureSession session(calibratableSensor());
        QStringList cut = cutTexts(session.dialog.get());
        QVERIFY(session.identify());
        cut += cutTexts(session.dialog.get());

        BoxAnswerer answerer;
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
        // No fixture listed: the status says so, with "Why?" beside it.
        session.listedPorts.clear();
        auto *ports = session.widget<QComboBox>("calibrationDlgCB_comport");
        ports->showPopup();
        ports->hidePopup();
        QVERIFY(session.widget<QWidget>("infobarTB_why")->isVisible());
        cut += cutTexts(session.dialog.get());
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join('\n')));
    }
};

QTEST_MAIN(LegibilityTest)
#include "tst_legibility.moc"
