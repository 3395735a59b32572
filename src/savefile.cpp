#include "savefile.h"

#include <QSaveFile>

namespace {
// Plain ASCII, because the name also travels on USB sticks, network shares and e-mail.
bool isSafeInFileName(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')
        || c == u'-' || c == u'_' || c == u'.';
}
}

bool commitWhole(QSaveFile &file, QString *error)
{
    if (file.flush() && file.error() == QFileDevice::NoError && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    file.cancelWriting();
    return false;
}

bool writeFileWhole(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size())
        return commitWhole(file, error);
    if (error)
        *error = file.errorString();
    file.cancelWriting();
    return false;
}

QString fileNamePart(const QString &text, int maxLength)
{
    QString part = text.trimmed().left(maxLength);
    for (QChar &c : part) {
        if (!isSafeInFileName(c))
            c = u'_';
    }
    return part;
}
