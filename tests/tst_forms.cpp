#include "company.h"
#include "infobar.h"
#include "instructiontexts.h"
#include "ui_calibrationdlg.h"
#include "widget.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <memory>
#include <optional>

// Property name to expected value. A few keys read something that is not a property:
// "font.pointSize" and "font.weight" the widget's font, "layout" the object name of the
// layout a container widget holds.
using Properties = QVariantMap;

namespace {

const QVariant centred = QVariant::fromValue(Qt::Alignment(Qt::AlignHCenter | Qt::AlignVCenter));
const QVariant noMargins = QVariant::fromValue(QMargins(0, 0, 0, 0));
const QVariant leftMarginOnly = QVariant::fromValue(QMargins(10, 0, 0, 0));
const QVariant horizontalLine = QVariant::fromValue(QFrame::HLine);
const QVariant sunken = QVariant::fromValue(QFrame::Sunken);

QVariant sizePolicy(QSizePolicy::Policy horizontal, QSizePolicy::Policy vertical)
{
    return QVariant::fromValue(QSizePolicy(horizontal, vertical));
}

const QVariant fixedSize = sizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

QVariant actualValue(QObject *object, const QString &key)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (key == QLatin1String("font.pointSize"))
        return widget ? QVariant(widget->font().pointSize()) : QVariant();
    if (key == QLatin1String("font.weight"))
        return widget ? QVariant(int(widget->font().weight())) : QVariant();
    if (key == QLatin1String("layout"))
        return widget && widget->layout() ? QVariant(widget->layout()->objectName()) : QVariant();
    return object->property(key.toLatin1().constData());
}

// Grid coordinates of a layout item: a vertical box counts rows, a horizontal box counts
// columns, a form layout has label (0) and field (1) columns.
std::optional<QPoint> cellOf(QLayout *layout, QObject *child)
{
    for (int index = 0; index < layout->count(); ++index) {
        QLayoutItem *item = layout->itemAt(index);
        if (item->widget() != child && item->layout() != child)
            continue;
        if (auto *form = qobject_cast<QFormLayout *>(layout)) {
            int row = -1;
            QFormLayout::ItemRole role;
            form->getItemPosition(index, &row, &role);
            return QPoint(int(role), row);
        }
        const auto direction = static_cast<QBoxLayout *>(layout)->direction();
        const bool vertical = direction == QBoxLayout::TopToBottom;
        return vertical ? QPoint(0, index) : QPoint(index, 0);
    }
    return std::nullopt;
}

void addObjectColumns()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<Properties>("properties");
}

void addObject(const char *objectName, const char *className, const Properties &properties)
{
    QTest::newRow(objectName) << QString::fromLatin1(className) << properties;
}

void addPlacementColumns()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QPoint>("cell");
}

void addInColumn(const char *layout, const QStringList &children)
{
    for (int row = 0; row < children.size(); ++row)
        QTest::newRow(qPrintable(children[row])) << QString::fromLatin1(layout) << QPoint(0, row);
}

void addFormRow(const char *layout, int row, const char *label, const char *field)
{
    QTest::newRow(label) << QString::fromLatin1(layout) << QPoint(0, row);
    QTest::newRow(field) << QString::fromLatin1(layout) << QPoint(1, row);
}

QTextCharFormat formatOfText(const QTextBlock &block)
{
    return block.begin().atEnd() ? block.charFormat() : block.begin().fragment().charFormat();
}

bool showsAnyInk(QWidget *widget)
{
    const QImage image = widget->grab().toImage();
    const QRgb background = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background)
                return true;
    return false;
}

}

class FormsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void instructionWindow_data();
    void instructionWindow();
    void instructionWindowPlacement_data();
    void instructionWindowPlacement();
    void instructionParagraphs_data();
    void instructionParagraphs();

    void statusBar_data();
    void statusBar();
    void statusBarShowsMessagesVerbatim_data();
    void statusBarShowsMessagesVerbatim();

    void calibrationDialog_data();
    void calibrationDialog();
    void calibrationDialogPlacement_data();
    void calibrationDialogPlacement();
    void constantsBlocksLeaveTheirFirstRowEmpty();
    void calibrationDialogStacksWidgetsInFormOrder();
    void calibrationDialogStartsBlankAndUsable();
    void modeButtonsAreExclusive();

private:
    void checkObjects(QWidget *root);
    void checkPlacement(QWidget *root);

    std::unique_ptr<Widget> m_instructionWindow;
    std::unique_ptr<InfoBar> m_statusBar;
    std::unique_ptr<QDialog> m_calibrationDialog;
    Ui::CalibrationDlg m_calibrationForm;
};

// The forms connect slots by object name as they are built; a misspelled on_ slot only shows
// as this warning.
void FormsTest::initTestCase()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral("No matching signal")));
    m_instructionWindow = std::make_unique<Widget>();
    m_statusBar = std::make_unique<InfoBar>();
    m_calibrationDialog = std::make_unique<QDialog>();
    m_calibrationForm.setupUi(m_calibrationDialog.get());
}

void FormsTest::checkObjects(QWidget *root)
{
    QFETCH(QString, className);
    QFETCH(Properties, properties);

    const QString name = QString::fromLatin1(QTest::currentDataTag());
    QObject *object = root->objectName() == name ? root : root->findChild<QObject *>(name);
    QVERIFY2(object, "no object of that name in the form");
    QCOMPARE(QString::fromLatin1(object->metaObject()->className()), className);
    for (auto expected = properties.cbegin(); expected != properties.cend(); ++expected) {
        const QVariant actual = actualValue(object, expected.key());
        QVERIFY2(actual.isValid(), qPrintable(expected.key()));
        QCOMPARE(actual, expected.value());
    }
}

void FormsTest::checkPlacement(QWidget *root)
{
    QFETCH(QString, layout);
    QFETCH(QPoint, cell);

    auto *parentLayout = root->findChild<QLayout *>(layout);
    QVERIFY2(parentLayout, qPrintable(layout));
    QObject *child = root->findChild<QObject *>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(child);
    const std::optional<QPoint> actual = cellOf(parentLayout, child);
    QVERIFY2(actual, "not in that layout");
    QCOMPARE(*actual, cell);
}

void FormsTest::instructionWindow_data()
{
    addObjectColumns();
    const QString title = QStringLiteral("Varnell Incorporated") + QString(9, u' ')
        + QLatin1String(Company::makerWeb);
    const QSize fixedWindow(750, 455);
    addObject("Widget", "Widget",
        { { "size", fixedWindow }, { "minimumSize", fixedWindow }, { "maximumSize", fixedWindow },
            { "font.pointSize", 9 }, { "windowTitle", title } });
    addObject("layoutWidget", "QWidget",
        { { "geometry", QRect(130, 90, 501, 300) }, { "layout", "verticalLayout" } });
    addObject(
        "verticalLayout", "QVBoxLayout", { { "spacing", 7 }, { "contentsMargins", noMargins } });
    addObject("mainLBL_vcal", "QLabel",
        { { "font.pointSize", 14 }, { "alignment", centred }, { "text", "TARNEL" } });
    addObject("mainLBL_Utility", "QLabel",
        { { "font.pointSize", 11 }, { "alignment", centred },
            { "text", "Conductivity Validation Utility" } });
    addObject("mainTE_Instructions", "QTextEdit",
        { { "readOnly", true },
            { "verticalScrollBarPolicy", QVariant::fromValue(Qt::ScrollBarAlwaysOn) },
            { "font.weight", int(QFont::Normal) }, { "font.pointSize", 9 },
            { "toolTip", "Please Read before continuing" } });
    addObject("mainLBL_Instruct", "QLabel",
        { { "alignment", centred }, { "text", "Read all instructions before proceeding" } });
    addObject("horizontalLayout", "QHBoxLayout", { { "spacing", 6 } });
    addObject("mainPB_OK", "QPushButton", { { "enabled", false }, { "text", "OK" } });
    addObject("MainPB_Close", "QPushButton", { { "enabled", true }, { "text", "Close" } });
    addObject("mainPB_About", "QPushButton", { { "enabled", true }, { "text", "About" } });
    addObject("layoutWidget1", "QWidget",
        { { "geometry", QRect(40, 0, 158, 79) }, { "layout", "verticalLayout_2" } });
    addObject(
        "verticalLayout_2", "QVBoxLayout", { { "spacing", 6 }, { "contentsMargins", noMargins } });
    addObject("label", "QLabel", { { "font.pointSize", 10 }, { "text", "VARNELL INCORPORATED" } });
    addObject("label_5", "QLabel",
        { { "font.pointSize", 10 }, { "text", QLatin1String(Company::makerWeb) } });
    addObject("label_3", "QLabel", { { "font.pointSize", 10 }, { "text", "U.S.A." } });
    addObject("layoutWidget2", "QWidget",
        { { "geometry", QRect(440, 0, 230, 79) }, { "layout", "verticalLayout_3" } });
    addObject(
        "verticalLayout_3", "QVBoxLayout", { { "spacing", 6 }, { "contentsMargins", noMargins } });
    addObject("label_4", "QLabel", { { "font.pointSize", 10 }, { "text", "BRELLMOOR" } });
    addObject("label_2", "QLabel",
        { { "font.pointSize", 10 }, { "text", QLatin1String(Company::distributorWeb) } });
    addObject("label_6", "QLabel",
        { { "font.pointSize", 10 }, { "layoutDirection", QVariant::fromValue(Qt::LeftToRight) },
            { "text", "UNITED KINGDOM" } });
}

void FormsTest::instructionWindow()
{
    checkObjects(m_instructionWindow.get());
}

void FormsTest::instructionWindowPlacement_data()
{
    addPlacementColumns();
    addInColumn("verticalLayout",
        { "mainLBL_vcal", "mainLBL_Utility", "mainTE_Instructions", "mainLBL_Instruct",
            "horizontalLayout" });
    QTest::newRow("mainPB_OK") << "horizontalLayout" << QPoint(0, 0);
    QTest::newRow("MainPB_Close") << "horizontalLayout" << QPoint(1, 0);
    QTest::newRow("mainPB_About") << "horizontalLayout" << QPoint(2, 0);
    addInColumn("verticalLayout_2", { "label", "label_5", "label_3" });
    addInColumn("verticalLayout_3", { "label_4", "label_2", "label_6" });
}

void FormsTest::instructionWindowPlacement()
{
    checkPlacement(m_instructionWindow.get());
}

void FormsTest::instructionParagraphs_data()
{
    QTest::addColumn<int>("block");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Qt::Alignment>("alignment");

    for (int paragraph = 0; paragraph < instructionTexts.size(); ++paragraph) {
        const bool firstNumbered = paragraph == 1;
        const Qt::Alignment alignment = firstNumbered ? Qt::AlignJustify : Qt::AlignLeft;
        if (paragraph > 0)
            QTest::addRow("empty before text %d", paragraph + 1)
                << 2 * paragraph - 1 << QString() << alignment;
        // The fourth text ends with one blank too many.
        const QString trailing = paragraph == 3 ? QStringLiteral(" ") : QString();
        QTest::addRow("text %d", paragraph + 1)
            << 2 * paragraph << instructionTexts[paragraph] + trailing << alignment;
    }
}

void FormsTest::instructionParagraphs()
{
    QFETCH(int, block);
    QFETCH(QString, text);
    QFETCH(Qt::Alignment, alignment);

    const QTextDocument *document
        = m_instructionWindow->findChild<QTextEdit *>(QStringLiteral("mainTE_Instructions"))
              ->document();
    QCOMPARE(document->blockCount(), 2 * instructionTexts.size() - 1);
    const QTextBlock paragraph = document->findBlockByNumber(block);
    QCOMPARE(paragraph.text(), text);

    const QTextBlockFormat layout = paragraph.blockFormat();
    QCOMPARE(layout.alignment(), alignment);
    QCOMPARE(layout.topMargin(), 0.0);
    QCOMPARE(layout.bottomMargin(), 0.0);
    QCOMPARE(layout.leftMargin(), 0.0);
    QCOMPARE(layout.rightMargin(), 0.0);
    QCOMPARE(layout.indent(), 0);
    QCOMPARE(layout.textIndent(), 0.0);

    const QFont font = formatOfText(paragraph).font();
    QCOMPARE(font.family(), QStringLiteral("MS Shell Dlg 2"));
    QCOMPARE(font.pointSizeF(), 8.0);
    QCOMPARE(font.weight(), QFont::Normal);
    QCOMPARE(font.style(), QFont::StyleNormal);
}

void FormsTest::statusBar_data()
{
    addObjectColumns();
    addObject("InfoBar", "InfoBar", { { "size", QSize(470, 25) }, { "windowTitle", "Form" } });
    addObject("infobar_status", "QLabel",
        { { "geometry", QRect(2, 0, 466, 21) }, { "text", "TextLabel" }, { "wordWrap", false } });
}

void FormsTest::statusBar()
{
    checkObjects(m_statusBar.get());
}

void FormsTest::statusBarShowsMessagesVerbatim_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("visible");

    QTest::newRow("prompt") << QStringLiteral(
        "User must select correct port from dropdown box and press connect.")
                            << true;
    QTest::newRow("empty clears the line") << QString() << false;
    QTest::newRow("markup that would render as nothing") << QStringLiteral("<i></i>") << true;
    QTest::newRow("wider than the label") << QStringLiteral("Reading step ").repeated(20) << true;
}

void FormsTest::statusBarShowsMessagesVerbatim()
{
    QFETCH(QString, message);
    QFETCH(bool, visible);

    InfoBar bar;
    bar.setText(message);
    QCOMPARE(bar.text(), message);
    QCOMPARE(showsAnyInk(&bar), visible);
    QCOMPARE(bar.size(), QSize(470, 25));
    QCOMPARE(bar.findChild<QLabel *>(QStringLiteral("infobar_status"))->geometry(),
        QRect(2, 0, 466, 21));
}

void FormsTest::calibrationDialog_data()
{
    addObjectColumns();
    const auto readOnlyField = [](bool readOnly, const QVariant &policy = QVariant()) {
        Properties properties { { "readOnly", readOnly }, { "alignment", centred },
            { "text", "" } };
        if (policy.isValid())
            properties.insert(QStringLiteral("sizePolicy"), policy);
        return properties;
    };
    const auto container = [](const QRect &geometry, const char *layout) {
        return Properties { { "geometry", geometry }, { "layout", layout } };
    };
    const auto text = [](const char *text) { return Properties { { "text", text } }; };

    addObject("CalibrationDlg", "QDialog",
        { { "size", QSize(549, 386) }, { "windowTitle", "Calibration Screen" } });
    addObject("calDlg_statusbar", "InfoBar", { { "geometry", QRect(0, 360, 561, 31) } });

    addObject("layoutWidget1", "QWidget", container(QRect(0, 20, 61, 111), "verticalLayout_4"));
    addObject("verticalLayout_4", "QVBoxLayout", { { "contentsMargins", leftMarginOnly } });
    addObject("calLBL_type", "QLabel", text("Type"));
    addObject("calLBL_SN_2", "QLabel", text("SN:"));
    addObject("label_11", "QLabel", text("Version"));
    addObject("calLBL_CDATE", "QLabel", text("Cal Date"));
    addObject("layoutWidget", "QWidget", container(QRect(75, 16, 112, 111), "verticalLayout_3"));
    addObject("verticalLayout_3", "QVBoxLayout", { { "contentsMargins", noMargins } });
    Properties sensorType = readOnlyField(true, fixedSize);
    sensorType.insert(QStringLiteral("toolTip"), QStringLiteral("type of sensor attached"));
    addObject("calLE_Type", "QLineEdit", sensorType);
    addObject("calLE_SN", "QLineEdit", readOnlyField(true));
    addObject("calLE_Version", "QLineEdit", readOnlyField(true));
    addObject("calLE_CALDATE", "QLineEdit", readOnlyField(true));

    addObject(
        "verticalLayoutWidget_2", "QWidget", container(QRect(270, 50, 91, 71), "verticalLayout_2"));
    addObject("verticalLayout_2", "QVBoxLayout", { { "contentsMargins", noMargins } });
    addObject("Validate_RB", "QRadioButton", { { "text", "Validation" }, { "checked", true } });
    addObject("line_1", "QFrame", { { "frameShape", horizontalLine }, { "frameShadow", sunken } });
    addObject("Calibrate_RB", "QRadioButton", { { "text", "Calibration" }, { "checked", false } });

    addObject(
        "verticalLayoutWidget", "QWidget", container(QRect(400, 50, 141, 71), "verticalLayout"));
    addObject("verticalLayout", "QVBoxLayout", { { "contentsMargins", noMargins } });
    addObject("calibrationDlgCB_comport", "QComboBox", { { "count", 0 } });
    addObject("calibrationPB_Connect", "QPushButton", text("Connect"));

    addObject("line", "QFrame",
        { { "geometry", QRect(10, 130, 535, 10) }, { "frameShape", horizontalLine },
            { "frameShadow", sunken } });

    addObject("layoutWidget3", "QWidget", container(QRect(0, 160, 61, 111), "verticalLayout_6"));
    addObject("verticalLayout_6", "QVBoxLayout", { { "contentsMargins", leftMarginOnly } });
    addObject("calLBL_type_2", "QLabel", text("Type"));
    addObject("calLBL_SN_3", "QLabel", text("SN:"));
    addObject("label_14", "QLabel", text("Version"));
    addObject("calLBL_type_3", "QLabel", text("Cal Date"));
    addObject("layoutWidget2", "QWidget", container(QRect(70, 160, 112, 111), "verticalLayout_5"));
    addObject("verticalLayout_5", "QVBoxLayout", { { "contentsMargins", noMargins } });
    addObject("calLE_TARNEL", "QLineEdit", readOnlyField(false));
    addObject("calLE_TARNEL_SN", "QLineEdit", readOnlyField(false));
    addObject("calLE_TARNEL_VER", "QLineEdit", readOnlyField(false));
    addObject("calLE_TARNEL_CAL", "QLineEdit", readOnlyField(false));

    const QVariant growFields = QVariant::fromValue(QFormLayout::AllNonFixedFieldsGrow);
    addObject("formLayoutWidget", "QWidget", container(QRect(190, 140, 151, 91), "formLayout"));
    addObject("formLayout", "QFormLayout",
        { { "fieldGrowthPolicy", growFields }, { "contentsMargins", noMargins } });
    addObject("label", "QLabel",
        { { "text", "Old Cal Constants" }, { "alignment", centred },
            { "sizePolicy", sizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred) } });
    addObject("label_4", "QLabel", text("MC"));
    addObject("calLE_OldCslp", "QLineEdit",
        readOnlyField(true, sizePolicy(QSizePolicy::Fixed, QSizePolicy::Minimum)));
    addObject("label_6", "QLabel", text("BC"));
    addObject("calLE_OldCoff", "QLineEdit", readOnlyField(true, fixedSize));
    addObject("formLayoutWidget_2", "QWidget", container(QRect(190, 230, 151, 91), "formLayout_2"));
    addObject("formLayout_2", "QFormLayout",
        { { "fieldGrowthPolicy", growFields }, { "contentsMargins", noMargins } });
    addObject("label_2", "QLabel", text("New Cal Constants"));
    addObject("label_5", "QLabel", text("MC"));
    addObject("calLE_NewCslp", "QLineEdit", readOnlyField(true, fixedSize));
    addObject("label_7", "QLabel", text("BC"));
    addObject("calLE_NewCoff", "QLineEdit", readOnlyField(true, fixedSize));

    addObject("label_3", "QLabel",
        { { "geometry", QRect(410, 140, 121, 20) }, { "text", "VALIDATION VALUES" } });
    addObject("horizontalLayoutWidget", "QWidget",
        container(QRect(400, 160, 131, 21), "horizontalLayout"));
    addObject("horizontalLayout", "QHBoxLayout", { { "contentsMargins", noMargins } });
    addObject("label_21", "QLabel", text("Obtained"));
    addObject("label_15", "QLabel", text("Expected"));
    addObject("verticalLayoutWidget_3", "QWidget",
        container(QRect(350, 180, 41, 131), "verticalLayout_7"));
    addObject("verticalLayout_7", "QVBoxLayout", { { "contentsMargins", noMargins } });
    addObject("label_8", "QLabel", text("Step 1"));
    addObject("label_9", "QLabel", text("Step 2"));
    addObject("label_10", "QLabel", text("Step 3"));
    addObject("label_12", "QLabel", text("Step 4"));
    addObject("label_13", "QLabel", text("Step 5"));
    addObject("verticalLayoutWidget_4", "QWidget",
        container(QRect(390, 180, 81, 131), "verticalLayout_8"));
    addObject("verticalLayout_8", "QVBoxLayout", { { "contentsMargins", noMargins } });
    addObject("calLE_Step1", "QLineEdit", readOnlyField(true, fixedSize));
    addObject("calLE_Step2", "QLineEdit", readOnlyField(true, fixedSize));
    addObject("calLE_Step3", "QLineEdit", readOnlyField(false, fixedSize));
    addObject("calLE_Step4", "QLineEdit", readOnlyField(false, fixedSize));
    addObject("calLE_Step5", "QLineEdit", readOnlyField(false, fixedSize));
    addObject("verticalLayoutWidget_5", "QWidget",
        container(QRect(470, 180, 61, 131), "verticalLayout_9"));
    addObject("verticalLayout_9", "QVBoxLayout", { { "contentsMargins", noMargins } });
    addObject("label_16", "QLabel", text("2.8  pS/m"));
    addObject("label_17", "QLabel", text("120  pS/m"));
    addObject("label_18", "QLabel", text("600  pS/m"));
    addObject("label_19", "QLabel", text("1000 pS/m"));
    addObject("label_20", "QLabel", text("1700 pS/m"));

    addObject("calibrationDlg_Print", "QPushButton",
        { { "geometry", QRect(220, 327, 110, 30) }, { "text", "Print" } });
    addObject("CalibrationPB_Close", "QPushButton",
        { { "geometry", QRect(388, 327, 110, 30) }, { "text", "Close" } });
}

void FormsTest::calibrationDialog()
{
    checkObjects(m_calibrationDialog.get());
}

void FormsTest::calibrationDialogPlacement_data()
{
    addPlacementColumns();
    addInColumn("verticalLayout_4", { "calLBL_type", "calLBL_SN_2", "label_11", "calLBL_CDATE" });
    addInColumn("verticalLayout_3", { "calLE_Type", "calLE_SN", "calLE_Version", "calLE_CALDATE" });
    addInColumn("verticalLayout_2", { "Validate_RB", "line_1", "Calibrate_RB" });
    addInColumn("verticalLayout", { "calibrationDlgCB_comport", "calibrationPB_Connect" });
    addInColumn(
        "verticalLayout_6", { "calLBL_type_2", "calLBL_SN_3", "label_14", "calLBL_type_3" });
    addInColumn("verticalLayout_5",
        { "calLE_TARNEL", "calLE_TARNEL_SN", "calLE_TARNEL_VER", "calLE_TARNEL_CAL" });
    QTest::newRow("label") << "formLayout" << QPoint(1, 1);
    addFormRow("formLayout", 2, "label_4", "calLE_OldCslp");
    addFormRow("formLayout", 3, "label_6", "calLE_OldCoff");
    QTest::newRow("label_2") << "formLayout_2" << QPoint(1, 1);
    addFormRow("formLayout_2", 2, "label_5", "calLE_NewCslp");
    addFormRow("formLayout_2", 3, "label_7", "calLE_NewCoff");
    QTest::newRow("label_21") << "horizontalLayout" << QPoint(0, 0);
    QTest::newRow("label_15") << "horizontalLayout" << QPoint(1, 0);
    addInColumn("verticalLayout_7", { "label_8", "label_9", "label_10", "label_12", "label_13" });
    addInColumn("verticalLayout_8",
        { "calLE_Step1", "calLE_Step2", "calLE_Step3", "calLE_Step4", "calLE_Step5" });
    addInColumn("verticalLayout_9", { "label_16", "label_17", "label_18", "label_19", "label_20" });
}

void FormsTest::calibrationDialogPlacement()
{
    checkPlacement(m_calibrationDialog.get());
}

void FormsTest::constantsBlocksLeaveTheirFirstRowEmpty()
{
    for (const char *name : { "formLayout", "formLayout_2" }) {
        auto *form = m_calibrationDialog->findChild<QFormLayout *>(QLatin1String(name));
        QVERIFY2(form, name);
        QCOMPARE(form->rowCount(), 4);
        QVERIFY(!form->itemAt(0, QFormLayout::LabelRole));
        QVERIFY(!form->itemAt(0, QFormLayout::FieldRole));
        QVERIFY(!form->itemAt(1, QFormLayout::LabelRole));
    }
}

// Where widgets touch, the later one lies on top.
void FormsTest::calibrationDialogStacksWidgetsInFormOrder()
{
    QStringList stacking;
    for (QObject *child : m_calibrationDialog->children())
        if (child->isWidgetType())
            stacking.append(child->objectName());
    const QStringList formOrder = {
        "calDlg_statusbar",
        "formLayoutWidget",
        "formLayoutWidget_2",
        "verticalLayoutWidget",
        "verticalLayoutWidget_2",
        "calibrationDlg_Print",
        "CalibrationPB_Close",
        "label_3",
        "line",
        "layoutWidget",
        "layoutWidget1",
        "layoutWidget2",
        "layoutWidget3",
        "verticalLayoutWidget_3",
        "verticalLayoutWidget_4",
        "verticalLayoutWidget_5",
        "horizontalLayoutWidget",
    };
    QCOMPARE(stacking, formOrder);
}

void FormsTest::calibrationDialogStartsBlankAndUsable()
{
    const auto widgets = m_calibrationDialog->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        QVERIFY2(widget->isVisibleTo(m_calibrationDialog.get()), qPrintable(widget->objectName()));
        QVERIFY2(widget->isEnabled(), qPrintable(widget->objectName()));
    }
    for (QLineEdit *field : m_calibrationDialog->findChildren<QLineEdit *>())
        QVERIFY2(field->text().isEmpty(), qPrintable(field->objectName()));
    QCOMPARE(m_calibrationForm.calDlg_statusbar->text(), QStringLiteral("TextLabel"));
}

void FormsTest::modeButtonsAreExclusive()
{
    QDialog dialog;
    Ui::CalibrationDlg form;
    form.setupUi(&dialog);

    QTest::mouseClick(form.Calibrate_RB, Qt::LeftButton);
    QVERIFY(form.Calibrate_RB->isChecked());
    QVERIFY(!form.Validate_RB->isChecked());
    QTest::mouseClick(form.Validate_RB, Qt::LeftButton);
    QVERIFY(form.Validate_RB->isChecked());
    QVERIFY(!form.Calibrate_RB->isChecked());
}

QTEST_MAIN(FormsTest)
#include "tst_forms.moc"
