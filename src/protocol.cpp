#include "protocol.h"

#include "nultext.h"

namespace {
QString textAfter(const QByteArray &reply, char separator)
{
    const QString text = textBeforeNul(reply);
    return text.mid(text.indexOf(QLatin1Char(separator)) + 1);
}

QString trimmedTextBefore(const QByteArray &reply, char separator)
{
    const QString text = textBeforeNul(reply).trimmed();
    return text.left(text.indexOf(QLatin1Char(separator)));
}

bool startsNumber(QChar c)
{
    return c.isDigit() || c == QLatin1Char('-') || c == QLatin1Char('+') || c == QLatin1Char('.');
}
}

QByteArray Command::validationReading(int step)
{
    return "V" + QByteArray::number(step) + "\r";
}

QByteArray Command::lowRawReading()
{
    return "C1\r";
}

QByteArray Command::highRawReading()
{
    return "C2\r";
}

QString valueAfterEquals(const QByteArray &reply)
{
    return textAfter(reply, '=');
}

QString versionText(const QByteArray &reply)
{
    return textAfter(reply, 'n');
}

QString slopeText(const QByteArray &reply)
{
    const QString text = textBeforeNul(reply);
    // Read the number that follows the keyword, so a slope of 1 or more, or a negative one, is
    // shown as the number it is. A sensor that sends no number there keeps the old reading:
    // from the first "0." on, else the whole reply.
    const qsizetype keyword = text.indexOf(QLatin1String(Reply::slope));
    if (keyword >= 0) {
        qsizetype start = keyword + qsizetype(qstrlen(Reply::slope));
        while (start < text.size() && text.at(start) == QLatin1Char(' '))
            ++start;
        if (start < text.size() && startsNumber(text.at(start)))
            return text.mid(start);
    }
    const qsizetype zeroPoint = text.indexOf(QLatin1String("0."));
    return zeroPoint < 0 ? text : text.mid(zeroPoint);
}

MeasurementReply readMeasurementReply(const QByteArray &sinceCommand, const QByteArray &command)
{
    qsizetype lineStart = 0;
    if (sinceCommand.startsWith(command)) {
        lineStart = command.size();
        if (sinceCommand.size() > lineStart && sinceCommand.at(lineStart) == '\n')
            ++lineStart;
    }
    MeasurementReply reply;
    for (;;) {
        const qsizetype lineEnd = sinceCommand.indexOf(Reply::lineEnd, lineStart);
        if (lineEnd < 0)
            break;
        const QByteArray line = sinceCommand.mid(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + qsizetype(qstrlen(Reply::lineEnd));
        if (!reply.noticeArrived) {
            reply.noticeArrived = true;
        } else if (line.contains(Reply::reading)) {
            reply.readingLine = line;
            break;
        }
    }
    return reply;
}

QString readingText(const QByteArray &readingLine)
{
    return trimmedTextBefore(readingLine, 'p');
}

QString sampleText(const QByteArray &readingLine)
{
    return trimmedTextBefore(readingLine, ',');
}

std::optional<int> sampleValue(const QByteArray &readingLine)
{
    // Without its comma the line is not a whole sample line, and a NUL anywhere in it would cut
    // the number short.
    const qsizetype comma = readingLine.indexOf(',');
    if (comma < 0 || readingLine.left(comma).contains('\0'))
        return std::nullopt;
    bool ok = false;
    const int value = sampleText(readingLine).toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

double firmwareValue(const QString &versionText)
{
    return versionText.trimmed().toDouble();
}
