#include "historycsv.h"

#include <QRegularExpression>
#include <algorithm>

namespace HistoryCsv {

const QStringList &legacyColumns()
{
    static const QStringList titles = { "Date", "Time", "Fixture model", "Fixture serial",
        "Fixture version", "Sensor serial", "Sensor firmware", "Event", "Step 1", "Step 2",
        "Step 3", "Step 4", "Step 5", "Low average", "High average", "Old MC", "Old BC", "New MC",
        "New BC", "Report file" };
    return titles;
}

const QStringList &columns()
{
    static const QStringList titles = legacyColumns()
        + QStringList { "Fixture calibration date", "Sensor model", "Sensor calibration date",
              "Phase", "Details", "Computer", "Account", "Technician", "Program", "Imported", "Run",
              "Event id", "UTC time" };
    return titles;
}

namespace {
// RFC 4180, which every spreadsheet reads: a field holding a separator, a quote or a line break
// goes in quotes, with its own quotes doubled.
QString field(const QString &value)
{
    const bool needsQuotes = std::any_of(value.cbegin(), value.cend(),
        [](QChar c) { return c == u',' || c == u'"' || c == u'\r' || c == u'\n'; });
    if (!needsQuotes)
        return value;
    return u'"' + QString(value).replace(u'"', QStringLiteral("\"\"")) + u'"';
}
}

QString neutralised(const QString &value)
{
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (value.isEmpty() || !formulaStarts.contains(value.front()) || number.match(value).hasMatch())
        return value;
    return u'\'' + value;
}

QByteArray line(const QStringList &values)
{
    QStringList fields;
    for (const QString &value : values)
        fields.append(field(neutralised(value)));
    return fields.join(u',').toUtf8() + "\r\n";
}

QList<Record> parse(const QByteArray &file)
{
    const QByteArray bytes = file.startsWith(byteOrderMark) ? file.mid(3) : file;
    QList<Record> records;
    Record record;
    QByteArray value;
    qsizetype recordStart = 0;
    bool quoted = false;
    const auto endField = [&] {
        record.fields.append(QString::fromUtf8(value));
        value.clear();
    };
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (quoted && c == '"' && i + 1 < bytes.size() && bytes.at(i + 1) == '"') {
            value += c;
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == ',') {
            endField();
        } else if (!quoted && (c == '\r' || c == '\n')) {
            endField();
            record.bytes = bytes.mid(recordStart, i - recordStart);
            records.append(std::exchange(record, {}));
            if (c == '\r' && i + 1 < bytes.size() && bytes.at(i + 1) == '\n')
                ++i;
            recordStart = i + 1;
        } else {
            value += c;
        }
    }
    if (recordStart < bytes.size()) {
        endField();
        record.bytes = bytes.mid(recordStart);
        records.append(record);
    }
    return records;
}
}
