#ifndef CERTIFICATE_H
#define CERTIFICATE_H

#include "labsettings.h"
#include "register.h"

#include <QCborMap>
#include <QStringList>

class QPagedPaintDevice;
class QPainter;

// Who approved a certificate for issue, and when: the manifestation of a signature as 21 CFR
// 11.50 describes it (the printed name, the moment, the meaning), the account behind it.
struct Approval
{
    QString login;
    QString printedName;
    QDateTime at;
    bool selfApproved = false; // the run's own technician, as the lab allows
};

// What the person issuing a certificate enters for it.
struct IssueDetails
{
    QString approverName; // as printed; the account's full name where empty
    QString temperature; // °C, as measured at the bench
    QString humidity; // % relative humidity
    QString condition; // the item as received, in the lab's words
    QString concession; // why a certificate is issued with a reference out of its interval
    QString amendmentReason; // why a revision replaces the one before it
};

// Everything a certificate says. The results come from the run's own events each time; all
// else printed is frozen in the certificate's event when it is issued, so printing it again
// reproduces it, whatever the settings say since.
struct Certificate
{
    RunSummary run;

    QString baseNumber;
    int revision = 0;
    QString replaces; // the number this revision replaces
    QString amendmentReason;
    QStringList changes; // what differs from the revision it replaces
    QDateTime issued; // the date of issue; a draft's: when it was drawn
    QString issuer; // the account that issued it
    std::optional<Approval> approval; // none: a draft, not valid as a certificate
    LabSettings lab;
    Customer customer;
    QString condition;
    QString temperature, humidity;
    FixtureReference reference;
    QStringList referenceLapses; // why the reference was out of its interval at the run
    QString concession;
    QDate nextDue;
    QString program;
    // Where the run stands in the records: its last event.
    qint64 anchorSeq = 0;
    QByteArray anchorHash;

    QString number() const;
    bool isDraft() const { return !approval; }
};

// CVU-<yyyyMMdd>-<12 hex digits>: the day the run began and 48 of its identifier's random bits,
// so the number is the same each time the run's certificate is made, and no other run's. A
// revision adds -R1, -R2, ...
QString certificateNumber(const RunSummary &run);

// The draft of a run's certificate with the lab's settings, the fixture's reference data and the
// customer as the records hold them now (the reference judged by the settings in force at the
// run); none, and why, for a run that can have no certificate.
std::optional<Certificate> draftCertificate(const RunSummary &run, const LabRecords &lab,
    const IssueDetails &details, const QString &issuer, QString *why);

// Why the account may not approve the draft for issue, in words; empty when it may: the
// laboratory's identity not set, the run's own technician where the lab does not allow it, a
// reference out of its interval without a concession.
QString approvalRefusal(const Certificate &draft, const QString &approver);

// The draft approved by the account, now.
Certificate approved(Certificate draft, const QString &approver, const QString &printedName);

// The next revision of an issued certificate: the draft's contents, numbered after the one it
// replaces, with what changed and why.
Certificate nextRevision(Certificate draft, const Certificate &issued, const QString &reason);

// The certificate as its issue event keeps it, and back, with the run it certifies.
QCborMap frozen(const Certificate &certificate);
Certificate thawed(const QCborMap &content, const RunSummary &run);
// The event that issues it, with the SHA-256 of its PDF.
RecordEvent issueEvent(const Certificate &certificate, const QByteArray &pdfSha256);
// The SHA-256 of the PDF a certificate's event was issued with.
QByteArray issuedPdfSha256(const QCborMap &content);

// A4 or Letter as the locale measures paper.
void setCertificatePaper(QPagedPaintDevice &device);
// The whole PDF, the same bytes each time it is made from the same certificate.
QByteArray certificatePdf(const Certificate &certificate);
// Draws it onto the device, page after page.
void drawCertificate(QPainter &painter, QPagedPaintDevice &device, const Certificate &certificate);
// The words on it, in the order they stand.
QStringList certificateLines(const Certificate &certificate);

// What a PDF made by certificatePdf says of itself: its number, revision and the place and hash
// of the record it was issued from; none where it holds no such mark.
struct CertificateMark
{
    QString number;
    qint64 anchorSeq = 0;
    QByteArray anchorHash;
};
std::optional<CertificateMark> certificateMark(const QByteArray &pdf);

#endif
