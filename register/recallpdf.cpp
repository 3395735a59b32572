#include "recallpdf.h"

#include "registercsv.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QPdfWriter>
#include <QTextDocument>

namespace {
// Texts outside any window, in the translations under "Register".
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Register)
};

// Of the recall table's columns, those a customer's notice needs, their headings translated.
const char *const printedColumns[]
    = { QT_TRANSLATE_NOOP("Register", "Date"), QT_TRANSLATE_NOOP("Register", "Sensor"),
          QT_TRANSLATE_NOOP("Register", "Fixture calibration date"),
          QT_TRANSLATE_NOOP("Register", "Fixture out of interval"),
          QT_TRANSLATE_NOOP("Register", "Reference certificate"),
          QT_TRANSLATE_NOOP("Register", "As found"), QT_TRANSLATE_NOOP("Register", "Adjusted"),
          QT_TRANSLATE_NOOP("Register", "As left"), QT_TRANSLATE_NOOP("Register", "Certificate"),
          QT_TRANSLATE_NOOP("Register", "Customer") };

QString titleText(const RecallNotice &notice)
{
    return notice.referenceCertificate.isEmpty()
        ? Texts::tr("Recall list: fixture %1").arg(QString::fromUtf8(notice.fixtureSerial))
        : Texts::tr("Recall list: reference standard %1").arg(notice.referenceCertificate);
}

QString periodText(const RecallNotice &notice)
{
    const QString until = notice.until.value_or(notice.made.date()).toString(Qt::ISODate);
    if (!notice.referenceCertificate.isEmpty())
        return notice.from
            ? Texts::tr("Every run made with a fixture calibrated under that certificate from %1 "
                        "until %2.")
                  .arg(notice.from->toString(Qt::ISODate), until)
            : Texts::tr("Every run made with a fixture calibrated under that certificate until %1.")
                  .arg(until);
    return notice.from ? Texts::tr("Every run made with the fixture from %1 until %2.")
                             .arg(notice.from->toString(Qt::ISODate), until)
                       : Texts::tr("Every run made with the fixture until %1.").arg(until);
}

QString htmlOf(const RecallNotice &notice)
{
    const TextTable table = recallTable(notice.runs);
    QString html = QStringLiteral("<h3>%1</h3><p>%2<br>%3</p>")
                       .arg(titleText(notice).toHtmlEscaped(), periodText(notice).toHtmlEscaped(),
                           Texts::tr("%1, made %2")
                               .arg(notice.laboratory, dateText(notice.made))
                               .toHtmlEscaped());
    html += QStringLiteral("<table border='1' cellspacing='0' cellpadding='3'><tr>");
    QList<qsizetype> columns;
    for (const char *name : printedColumns) {
        columns.append(table.columns.indexOf(QLatin1String(name)));
        html += QStringLiteral("<th>%1</th>").arg(Texts::tr(name).toHtmlEscaped());
    }
    html += QStringLiteral("</tr>");
    for (const QStringList &row : table.rows) {
        html += QStringLiteral("<tr>");
        for (const qsizetype column : columns)
            html += QStringLiteral("<td>%1</td>").arg(row.value(column).toHtmlEscaped());
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table><p>%1</p>")
                .arg(Texts::tr("End of list: %n run(s).", nullptr, int(table.rows.size()))
                         .toHtmlEscaped());
    return html;
}
}

QByteArray recallPdf(const RecallNotice &notice)
{
    QBuffer bytes;
    bytes.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&bytes);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageOrientation(QPageLayout::Landscape);
        pdf.setTitle(titleText(notice));
        QTextDocument document;
        document.setHtml(htmlOf(notice));
        document.print(&pdf);
    }
    return bytes.data();
}
