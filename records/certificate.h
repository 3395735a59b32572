#ifndef CERTIFICATE_H
#define CERTIFICATE_H

#include "register.h"

#include <QStringList>

class QPagedPaintDevice;
class QPainter;

// The laboratory that issues certificates: a setting of the register, by default the company
// lines of the report.
struct Laboratory
{
    QString name;
    QStringList address;

    static Laboratory fromReport();
};

// Everything a certificate says, taken from the records alone, never from a dialog's fields.
struct Certificate
{
    QString number;
    Laboratory laboratory;
    RunSummary run;
    QDate nextDue;
};

// CVU-<yyyyMMdd>-<12 hex digits>: the day the run began and 48 of its identifier's random bits,
// so the number is the same each time the run's certificate is made, and no other run's.
QString certificateNumber(const RunSummary &run);

// The certificate of a run that ended with a passing validation; none, and why, for any other.
std::optional<Certificate> certificateFor(const RunSummary &run, const Laboratory &laboratory,
    const RegisterSettings &settings, QString *why);

// One page, A4 or Letter as the locale measures paper.
void setCertificatePaper(QPagedPaintDevice &device);
bool writeCertificatePdf(const Certificate &certificate, const QString &path, QString *error);
void drawCertificate(QPainter &painter, QPagedPaintDevice &device, const Certificate &certificate);
// The words on it, line by line, in the order they stand.
QStringList certificateLines(const Certificate &certificate);

#endif
