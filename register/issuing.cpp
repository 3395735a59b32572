#include "issuing.h"

#include "sha256.h"

#include <QCoreApplication>

namespace {
constexpr char writerConnection[] = "cvu-records-writer";

// Texts outside any window, in the translations under "Certificate".
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Certificate)
};
}

bool recordEvents(const QString &path, const QList<RecordEvent> &events, QString *error,
    RecordsDatabase::Creation creation)
{
    bool written = RecordsDatabase::openForWriting(
        path, QLatin1String(writerConnection), error, nullptr, false, creation);
    {
        QSqlDatabase db = QSqlDatabase::database(QLatin1String(writerConnection), false);
        written = written && RecordsDatabase::appendEvents(db, events, error);
    }
    RecordsDatabase::close(QLatin1String(writerConnection));
    return written;
}

CertificateOutcome certificateOf(const QString &recordsPath, const Register &records,
    const RunSummary &run, CertificateAction action, const IssueDetails &details,
    const QString &account)
{
    CertificateOutcome outcome;
    const QList<LabRecords::Issued> issued = records.lab().certificatesOf(run.run);
    if (action == CertificateAction::Show && !issued.isEmpty()) {
        outcome.certificate = thawed(issued.constLast().content, run);
        outcome.pdf = certificatePdf(*outcome.certificate);
        return outcome;
    }
    const std::optional<Certificate> latest = issued.isEmpty()
        ? std::nullopt
        : std::optional<Certificate>(thawed(issued.constLast().content, run));
    if (action == CertificateAction::Approve && latest) {
        outcome.refusal = Texts::tr("Certificate %1 is issued already; its next revision is made "
                                    "with an amendment and its reason.")
                              .arg(latest->number());
        return outcome;
    }
    if (action == CertificateAction::Amend && !latest) {
        outcome.refusal = Texts::tr("No certificate of this run is issued yet: it is issued with "
                                    "an approval, not amended.");
        return outcome;
    }
    if (action == CertificateAction::Amend && details.amendmentReason.trimmed().isEmpty()) {
        outcome.refusal = Texts::tr("An amendment says why it replaces the certificate.");
        return outcome;
    }
    std::optional<Certificate> draft
        = draftCertificate(run, records.lab(), details, account, &outcome.refusal);
    if (!draft)
        return outcome;
    if (action == CertificateAction::Amend)
        draft = nextRevision(*draft, *latest, details.amendmentReason);
    if (action != CertificateAction::Show) {
        outcome.refusal = approvalRefusal(*draft, account);
        if (!outcome.refusal.isEmpty())
            return outcome;
        draft = approved(*draft, account, details.approverName);
    }
    outcome.pdf = certificatePdf(*draft);
    if (action != CertificateAction::Show) {
        QString error;
        const QByteArray sha256 = sha256Of(outcome.pdf);
        if (!recordEvents(recordsPath, { issueEvent(*draft, sha256) }, &error)) {
            outcome.refusal = Texts::tr("The certificate could not be recorded, so it is not "
                                        "issued: %1")
                                  .arg(error);
            outcome.pdf.clear();
            return outcome;
        }
        outcome.issuedNow = true;
    }
    outcome.certificate = draft;
    return outcome;
}
