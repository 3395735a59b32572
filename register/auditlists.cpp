#include "auditlists.h"

#include "certificate.h"
#include "escapedbytes.h"
#include "historycsv.h"
#include "runevents.h"

#include <QCborArray>
#include <QCoreApplication>

namespace {
// Texts outside any window, in the translations under "Register".
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Register)
};

QString momentText(const QDateTime &at)
{
    return at.toString(Qt::ISODate);
}

QString entriesText(const QCborMap &map, const QString &separator);

// A value as kept, bytes from a device as text with escapes, at any depth.
QString valueText(const QCborValue &value)
{
    if (value.isByteArray())
        return QLatin1Char('"') + escapedBytes(value.toByteArray()) + QLatin1Char('"');
    if (value.isString())
        return value.toString();
    if (value.isMap())
        return QLatin1Char('{') + entriesText(value.toMap(), QStringLiteral(", "))
            + QLatin1Char('}');
    if (value.isArray()) {
        QStringList items;
        for (const QCborValue &item : value.toArray())
            items.append(valueText(item));
        return QLatin1Char('[') + items.join(QStringLiteral(", ")) + QLatin1Char(']');
    }
    return value.toDiagnosticNotation(QCborValue::Compact);
}

// A map's values name by name, as kept: an event's values, a device's replies byte for byte.
QString entriesText(const QCborMap &map, const QString &separator)
{
    QStringList entries;
    for (auto entry = map.constBegin(); entry != map.constEnd(); ++entry)
        entries.append(entry.key().toString() + QStringLiteral(": ") + valueText(entry.value()));
    return entries.join(separator);
}
}

TextTable auditTrail(const QList<RecordsDatabase::StoredEvent> &events)
{
    TextTable table { { Texts::tr("Place"), Texts::tr("Time"), Texts::tr("Account"),
                          Texts::tr("Computer"), Texts::tr("Event"), Texts::tr("Verdict"),
                          Texts::tr("Sensor"), Texts::tr("Fixture"), Texts::tr("Values"),
                          Texts::tr("Hash (SHA-256)") },
        {} };
    // A run's events are made by one program, for the account and on the computer its
    // identification names.
    QString account, computer;
    for (const RecordsDatabase::StoredEvent &stored : events) {
        const RecordEvent &event = stored.event;
        if (event.kind == QLatin1String(EventKind::identified)) {
            account = event.payload.value(QLatin1String(Key::login)).toString();
            computer = event.payload.value(QLatin1String(Key::computer)).toString();
        }
        table.rows.append({ QString::number(stored.seq), momentText(event.localTime()), account,
            computer, event.kind, event.verdict, QString::fromUtf8(event.sensorSerial),
            QString::fromUtf8(event.fixtureSerial),
            entriesText(event.payload, QStringLiteral("; ")),
            QString::fromLatin1(stored.hash.toHex()) });
    }
    return table;
}

TextTable certificatesIssued(const Register &records, QString *error)
{
    TextTable table { { Texts::tr("Place"), Texts::tr("Certificate"), Texts::tr("Issued"),
                          Texts::tr("Issued by"), Texts::tr("Approved by"), Texts::tr("Sensor"),
                          Texts::tr("Customer"), Texts::tr("Replaces"), Texts::tr("PDF SHA-256") },
        {} };
    for (const LabRecords::Issued &issued : records.lab().certificates()) {
        const std::optional<RunSummary> run = records.run(issued.run(), error);
        if (!run)
            return {};
        const Certificate certificate = thawed(issued.content, *run);
        table.rows.append({ QString::number(issued.seq), certificate.number(),
            momentText(certificate.issued), certificate.issuer,
            certificate.approval ? certificate.approval->printedName : QString(), run->sensorSerial,
            certificate.customer.name, certificate.replaces,
            QString::fromLatin1(issuedPdfSha256(issued.content).toHex()) });
    }
    return table;
}

TextTable settingsHistory(const LabRecords &lab)
{
    TextTable table { { Texts::tr("Place"), Texts::tr("Time"), Texts::tr("Of"), Texts::tr("For"),
                          Texts::tr("Name"), Texts::tr("Value"), Texts::tr("Changed by") },
        {} };
    for (const SettingChange &change : lab.changes())
        table.rows.append({ QString::number(change.seq), momentText(change.at), change.kind,
            QString::fromUtf8(change.subject), change.name, change.value, change.by });
    return table;
}

QByteArray csvOf(const TextTable &table)
{
    QByteArray csv = HistoryCsv::byteOrderMark + HistoryCsv::line(table.columns);
    for (const QStringList &row : table.rows)
        csv += HistoryCsv::line(row);
    return csv;
}
