#ifndef ISSUING_H
#define ISSUING_H

#include "certificate.h"
#include "recordsdatabase.h"

// Writes events into the records at the path in one transaction, through a connection of its
// own that is closed again: what cvu-records records (the lab's settings, customers, fixtures'
// reference data, certificates issued).
bool recordEvents(const QString &path, const QList<RecordEvent> &events, QString *error,
    RecordsDatabase::Creation creation = RecordsDatabase::Creation::ExistingOnly);

// What is asked of a run's certificate: the one it has (issued, or else a draft), its first
// issue with an approval, or its next revision.
enum class CertificateAction { Show, Approve, Amend };

struct CertificateOutcome
{
    std::optional<Certificate> certificate;
    QByteArray pdf;
    bool issuedNow = false;
    QString refusal; // in words, when there is no certificate to give
};

// The one way a certificate is shown or issued, by the window and the command alike. An issued
// certificate is printed again from its event, byte for byte; issuing records the event, with
// the SHA-256 of the PDF, before the PDF is handed back.
CertificateOutcome certificateOf(const QString &recordsPath, const Register &records,
    const RunSummary &run, CertificateAction action, const IssueDetails &details,
    const QString &account);

#endif
