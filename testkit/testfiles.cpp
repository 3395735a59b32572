#include "testfiles.h"

#include <QFile>
#include <QProcess>

QByteArray fileContents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

std::optional<QString> pdfText(const QString &pdfPath, const QStringList &options)
{
    QProcess pdftotext;
    pdftotext.start(
        QStringLiteral("pdftotext"), options + QStringList { pdfPath, QStringLiteral("-") });
    if (!pdftotext.waitForFinished() || pdftotext.exitStatus() != QProcess::NormalExit
        || pdftotext.exitCode() != 0) {
        qWarning("pdftotext could not read %s: %s", qPrintable(pdfPath),
            qPrintable(pdftotext.errorString()));
        return std::nullopt;
    }
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

std::optional<int> pdfPageCount(const QString &pdfPath)
{
    QProcess pdfinfo;
    pdfinfo.start(QStringLiteral("pdfinfo"), { pdfPath });
    if (!pdfinfo.waitForFinished() || pdfinfo.exitStatus() != QProcess::NormalExit
        || pdfinfo.exitCode() != 0) {
        qWarning("pdfinfo could not read %s: %s", qPrintable(pdfPath),
            qPrintable(pdfinfo.errorString()));
        return std::nullopt;
    }
    for (const QByteArray &line : pdfinfo.readAllStandardOutput().split('\n')) {
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    }
    return std::nullopt;
}
