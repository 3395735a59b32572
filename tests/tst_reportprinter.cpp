#include "reportprinter.h"

#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct Word
{
    QString text;
    QRectF box;
};
using Page = QList<Word>;

// pdftotext -bbox gives each word's box in points from the top left of the paper; the test
// speaks in the printer's device units from the top left of the printable area.
QList<Page> pagesOf(const QString &pdfPath, const QPrinter &printer)
{
    QProcess pdftotext;
    pdftotext.start("pdftotext", { "-bbox", pdfPath, "-" });
    if (!pdftotext.waitForFinished() || pdftotext.exitCode() != 0)
        return {};
    const double unitsPerPoint = printer.resolution() / 72.0;
    const QPointF printableOrigin = printer.pageRect(QPrinter::DevicePixel).topLeft();
    static const QRegularExpression tag(
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)<)re");
    QList<Page> pages;
    for (const auto &match :
        tag.globalMatch(QString::fromUtf8(pdftotext.readAllStandardOutput()))) {
        if (match.captured(0).startsWith("<page")) {
            pages.append(Page());
            continue;
        }
        const QPointF topLeft(match.captured(1).toDouble(), match.captured(2).toDouble());
        const QPointF bottomRight(match.captured(3).toDouble(), match.captured(4).toDouble());
        pages.last().append({ match.captured(5),
            QRectF(topLeft * unitsPerPoint - printableOrigin,
                bottomRight * unitsPerPoint - printableOrigin) });
    }
    return pages;
}

QList<Page> printed(const QByteArray &fileBytes)
{
    QTemporaryDir dir;
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("printout.pdf"));
    QPainter painter(&printer);
    drawPrintout(painter, printer, printableLines(fileBytes));
    painter.end();
    return pagesOf(printer.outputFileName(), printer);
}

QByteArray numberedLines(int count)
{
    QByteArray bytes;
    for (int k = 1; k <= count; ++k)
        bytes += "line" + QByteArray::number(k) + "\r\n";
    return bytes;
}
}

class TestReportPrinter : public QObject
{
    Q_OBJECT

private slots:
    void fileIsSplitIntoPrintableLines_data()
    {
        QTest::addColumn<QByteArray>("fileBytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("LF") << QByteArray("one\ntwo\n") << QStringList { "one\n", "two\n" };
        QTest::newRow("CR LF") << QByteArray("one\r\ntwo\r\n")
                               << QStringList { "one\r\n", "two\r\n" };
        QTest::newRow("last line without LF")
            << QByteArray("one\ntwo") << QStringList { "one\n", "two" };
        QTest::newRow("empty lines") << QByteArray("\n\n") << QStringList { "\n", "\n" };
        QTest::newRow("empty file") << QByteArray() << QStringList();
        QTest::newRow("NUL cuts its line")
            << QByteArray("ke\0pt\r\nnext\n", 12) << QStringList { "ke", "next\n" };
        QTest::newRow("Latin-1") << QByteArray("caf\xe9\r\n")
                                 << QStringList { QString("caf") + QChar(0xe9) + "\r\n" };
    }

    void fileIsSplitIntoPrintableLines()
    {
        QFETCH(QByteArray, fileBytes);
        QFETCH(QStringList, lines);
        QCOMPARE(printableLines(fileBytes), lines);
    }

    void linesStandAtTheirPitchWithoutOverlap()
    {
        const int lineCount = 30;
        const QList<Page> pages = printed(numberedLines(lineCount));
        QCOMPARE(pages.size(), 1);
        const Page &words = pages.first();
        QCOMPARE(words.size(), lineCount);
        for (int k = 1; k <= lineCount; ++k) {
            const QRectF box = words[k - 1].box;
            QCOMPARE(words[k - 1].text, QString("line%1").arg(k));
            QVERIFY2(qAbs(box.left() - 100) < 1, qPrintable(QString::number(box.left())));
            QVERIFY2(qAbs(box.top() - 10 * k) < 1.5, qPrintable(QString::number(box.top())));
            if (k < lineCount) {
                const QRectF next = words[k].box;
                QVERIFY2(qAbs(next.top() - box.top() - 10) < 0.1, qPrintable(words[k].text));
                QVERIFY2(box.bottom() <= next.top(), qPrintable(words[k].text));
            }
        }
    }

    void nulCutsTheLineAndWideLinesStayWhole()
    {
        const QByteArray wide = QByteArray("conductivity ").repeated(12) + "\n";
        const QList<Page> pages = printed(QByteArray("kept\0dropped\n", 13) + wide);
        QCOMPARE(pages.size(), 1);
        const Page &words = pages.first();
        QCOMPARE(words.first().text, QString("kept"));
        QCOMPARE(words.size(), 1 + 12);
        QVERIFY(words.last().box.right() > 100 + 500);
        for (const Word &word : words.mid(1))
            QCOMPARE(word.box.top(), words[1].box.top());
    }

    void longFileContinuesOnTheNextPage()
    {
        const int lineCount = 150;
        const QList<Page> pages = printed(numberedLines(lineCount));
        QCOMPARE(pages.size(), 2);
        QCOMPARE(pages[0].size() + pages[1].size(), lineCount);
        const Word &firstOnPageTwo = pages[1].first();
        QCOMPARE(firstOnPageTwo.text, QString("line%1").arg(pages[0].size() + 1));
        QVERIFY2(qAbs(firstOnPageTwo.box.top() - 10) < 1.5,
            qPrintable(QString::number(firstOnPageTwo.box.top())));
        QCOMPARE(pages[1].last().text, QString("line%1").arg(lineCount));
    }
};

QTEST_MAIN(TestReportPrinter)
#include "tst_reportprinter.moc"
