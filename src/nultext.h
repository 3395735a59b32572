#ifndef NULTEXT_H
#define NULTEXT_H

#include <QByteArray>
#include <QString>

// Bytes as a C string reads them, which is how the instrument's replies and the printed files
// were always treated: they end at the first NUL, and each byte is one Latin-1 character.
inline QString textBeforeNul(const QByteArray &bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    return QString::fromLatin1(nul < 0 ? bytes : bytes.left(nul));
}

#endif
