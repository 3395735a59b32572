#ifndef RECALLPDF_H
#define RECALLPDF_H

#include "register.h"

#include <QByteArray>

// What a lab sends with its notice when a fixture's reference turns out to have been wrong: the
// fixture, the period, the laboratory, and every run made with it then.
struct RecallNotice
{
    QByteArray fixtureSerial;
    QString referenceCertificate; // instead of a fixture: the reference standard's certificate
    std::optional<QDate> from; // none: from the first run
    std::optional<QDate> until; // none: until the day the list is made
    QString laboratory;
    QDateTime made;
    QList<RecalledRun> runs;
};

// The notice's list as a PDF on landscape A4 pages, each numbered, ending with a closing line.
QByteArray recallPdf(const RecallNotice &notice);

#endif
