#include "auditlists.h"

#include "certificate.h"

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
}

TextTable auditTrail(const QList<RecordsDatabase::StoredEvent> &events)
{
    TextTable table { { Texts::tr("Place"), Texts::tr("Time"), Texts::tr("Event"),
                          Texts::tr("Verdict"), Texts::tr("Sensor"), Texts::tr("Fixture"),
                          Texts::tr("Hash (SHA-256)") },
        {} };
    for (const RecordsDatabase::StoredEvent &stored : events) {
        const RecordEvent &event = stored.event;
        table.rows.append({ QString::number(stored.seq), momentText(event.localTime()), event.kind,
            event.verdict, QString::fromUtf8(event.sensorSerial),
            QString::fromUtf8(event.fixtureSerial), QString::fromLatin1(stored.hash.toHex()) });
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
