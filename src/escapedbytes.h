#ifndef ESCAPEDBYTES_H
#define ESCAPEDBYTES_H

#include <QByteArray>
#include <QString>

// Bytes a device sent, as text a person can read and copy: printable ASCII as it is, CR and LF
// as \r and \n, every other byte as \xNN (a backslash too, so that no text reads two ways).
inline QString escapedBytes(const QByteArray &bytes)
{
    QString text;
    for (const char byte : bytes) {
        if (byte == '\r')
            text += QLatin1String("\\r");
        else if (byte == '\n')
            text += QLatin1String("\\n");
        else if (byte >= 0x20 && byte < 0x7f && byte != '\\')
            text += QLatin1Char(byte);
        else
            text += QStringLiteral("\\x%1").arg(uchar(byte), 2, 16, QLatin1Char('0'));
    }
    return text;
}

#endif
