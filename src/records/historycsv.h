#ifndef HISTORYCSV_H
#define HISTORYCSV_H

#include <QByteArray>
#include <QList>
#include <QStringList>

// The calibration history as a CSV file, as earlier versions kept it and as the records export
// it: UTF-8 with a byte-order mark, CR LF line ends, RFC 4180 quoting, a header line first.
namespace HistoryCsv {

// The columns earlier versions wrote, in their order; an export writes these first, so a lab's
// spreadsheet keeps working, and its new columns after them.
const QStringList &legacyColumns();
const QStringList &columns();

// Without the byte-order mark, Excel on Windows reads the file in the ANSI code page and garbles
// every non-ASCII letter, such as one in the user name within a report's path.
inline const QByteArray byteOrderMark = QByteArrayLiteral("\xEF\xBB\xBF");

// One line of the file, each text neutralised first.
QByteArray line(const QStringList &values);

// A text a spreadsheet would take for a formula (one that begins with '=', '+', '-', '@', a tab
// or a carriage return) begins with an apostrophe instead, as spreadsheets themselves mark
// text; a number, such as -90.50, stays a number.
QString neutralised(const QString &value);

// One line of a CSV file: its fields, and its bytes as they stood in the file.
struct Record
{
    QStringList fields;
    QByteArray bytes;
};
// Reads a file as a spreadsheet does: quoted fields may hold commas, doubled quotes and line
// breaks; any line break outside quotes ends a record. The byte-order mark is passed over.
QList<Record> parse(const QByteArray &file);
}

#endif
