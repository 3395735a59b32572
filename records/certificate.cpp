#include "certificate.h"

#include "company.h"
#include "registermodels.h"
#include "savefile.h"
#include "stepbounds.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace {
constexpr int pdfResolution = 300;
constexpr double marginMm = 18;
constexpr double referenceSteps[] = { 2.8, 120, 600, 1000, 1700 };

// Texts outside any window, in the translations under "Certificate".
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Certificate)
};

QPageSize paperOfLocale()
{
    return QLocale::system().measurementSystem() == QLocale::ImperialUSSystem
        ? QPageSize(QPageSize::Letter)
        : QPageSize(QPageSize::A4);
}

QString readingLine(int step, const std::optional<StepResult> &result)
{
    if (!result)
        return Texts::tr("Step %1: no reading").arg(step);
    return Texts::tr("Step %1  %2 pS/m   reading %3 pS/m   bounds %4 to %5   %6")
        .arg(step)
        .arg(referenceSteps[step - 1])
        .arg(result->text.trimmed())
        .arg(result->lower)
        .arg(result->upper)
        .arg(result->passed ? Texts::tr("PASS") : Texts::tr("FAIL"));
}

QStringList validationLines(const ValidationResult &validation)
{
    QStringList lines;
    for (int step = 1; step <= validationStepCount; ++step)
        lines.append(readingLine(step, validation.steps[size_t(step - 1)]));
    return lines;
}
}

Laboratory Laboratory::fromReport()
{
    return { QString::fromLatin1(Company::makerName),
        { QString::fromLatin1(Company::makerStreet), QString::fromLatin1(Company::makerTown) } };
}

QString certificateNumber(const RunSummary &run)
{
    // Bytes 10 to 15 of a version 7 identifier are random; the first six are its time.
    const QByteArray identifier = run.run.toRfc4122();
    return QStringLiteral("CVU-%1-%2")
        .arg(run.started.date().toString(QStringLiteral("yyyyMMdd")),
            QString::fromLatin1(identifier.mid(10, 6).toHex().toUpper()));
}

std::optional<Certificate> certificateFor(const RunSummary &run, const Laboratory &laboratory,
    const RegisterSettings &settings, QString *why)
{
    if (!run.endedPassing()) {
        *why = Texts::tr(
            "The run of %1 did not end with a passing validation; it has no certificate.")
                   .arg(dateText(run.started));
        return std::nullopt;
    }
    return Certificate { certificateNumber(run), laboratory, run,
        run.started.date().addMonths(settings.sensorIntervalMonths) };
}

QStringList certificateLines(const Certificate &certificate)
{
    const RunSummary &run = certificate.run;
    QStringList lines { Texts::tr("Calibration Certificate"),
        Texts::tr("Certificate number: %1").arg(certificate.number), certificate.laboratory.name };
    lines += certificate.laboratory.address;
    lines += { QString(), Texts::tr("Instrument"),
        Texts::tr("%1, serial number %2, firmware %3")
            .arg(run.sensorModel, run.sensorSerial, run.sensorFirmware),
        QString(), Texts::tr("As found") };
    if (run.asFound)
        lines += validationLines(*run.asFound);
    if (run.adjustment && run.adjustment->confirmed) {
        lines += { QString(), Texts::tr("Adjustment"),
            Texts::tr("Constants before: MC %1, BC %2")
                .arg(run.adjustment->oldSlope, run.adjustment->oldOffset),
            Texts::tr("Constants after: MC %1, BC %2")
                .arg(run.adjustment->newSlope, run.adjustment->newOffset),
            QString(), Texts::tr("As left") };
        if (run.asLeft)
            lines += validationLines(*run.asLeft);
    } else {
        lines += { QString(),
            Texts::tr("No adjustment was made; the results as found are the results as left.") };
    }
    lines += { QString(), Texts::tr("Decision rule"),
        Texts::tr("A step passes when its reading lies within the step's bounds; no guard band is "
                  "applied."),
        QString(), Texts::tr("Reference standard"),
        Texts::tr("%1, serial number %2, firmware %3, calibrated %4")
            .arg(run.fixture.model, run.fixture.serial, run.fixture.firmware,
                run.fixture.calibrationDateText) };
    if (run.fixture.outOfInterval)
        lines.append(
            Texts::tr("The reference standard was out of its calibration interval at the time of "
                      "this calibration."));
    lines += { Texts::tr("Ambient conditions were not recorded."), QString(),
        Texts::tr("Technician: %1").arg(run.technician),
        Texts::tr("Date: %1").arg(run.started.date().toString(Qt::ISODate)),
        Texts::tr("Next due: %1").arg(certificate.nextDue.toString(Qt::ISODate)),
        Texts::tr("Program: %1").arg(run.program) };
    if (!run.editedFields.isEmpty())
        lines.append(Texts::tr("The report of this run was saved with edited fields: %1.")
                         .arg(run.editedFields.join(QStringLiteral(", "))));
    if (run.imported)
        lines.append(Texts::tr("This run was imported from an earlier calibration history."));
    lines.append(Texts::tr("Record: %1").arg(QString::fromLatin1(run.lastEventHash.toHex())));
    return lines;
}

void drawCertificate(QPainter &painter, QPagedPaintDevice &device, const Certificate &certificate)
{
    const QRectF page = device.pageLayout().paintRectPixels(device.logicalDpiX());
    QFont body = painter.font();
    body.setPointSizeF(9.5);
    QFont heading = body;
    heading.setBold(true);
    QFont title = heading;
    title.setPointSizeF(16);
    const QStringList lines = certificateLines(certificate);
    const QSet<QString> headings { Texts::tr("Instrument"), Texts::tr("As found"),
        Texts::tr("Adjustment"), Texts::tr("As left"), Texts::tr("Decision rule"),
        Texts::tr("Reference standard") };
    double y = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        painter.setFont(i == 0 ? title : headings.contains(line) ? heading : body);
        const QRectF box(0, y, page.width(), page.height() - y);
        const QRectF used = painter.boundingRect(
            box, Qt::TextWordWrap, line.isEmpty() ? QStringLiteral(" ") : line);
        painter.drawText(box, Qt::TextWordWrap, line);
        y += used.height() * (i == 0 ? 1.6 : 1.05);
    }
}

void setCertificatePaper(QPagedPaintDevice &device)
{
    device.setPageSize(paperOfLocale());
    device.setPageMargins(
        QMarginsF(marginMm, marginMm, marginMm, marginMm), QPageLayout::Millimeter);
}

bool writeCertificatePdf(const Certificate &certificate, const QString &path, QString *error)
{
    // Drawn whole into memory first: what reaches the file is a complete PDF or nothing.
    QBuffer pdfBytes;
    pdfBytes.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&pdfBytes);
        pdf.setResolution(pdfResolution);
        setCertificatePaper(pdf);
        pdf.setTitle(Texts::tr("Calibration Certificate %1").arg(certificate.number));
        pdf.setCreator(certificate.run.program);
        QPainter painter;
        if (!painter.begin(&pdf)) {
            *error = Texts::tr("Cannot draw the certificate.");
            return false;
        }
        drawCertificate(painter, pdf, certificate);
    }
    QString reason;
    if (writeFileWhole(path, pdfBytes.data(), &reason))
        return true;
    *error = Texts::tr("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), reason);
    return false;
}
