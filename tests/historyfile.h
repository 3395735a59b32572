#ifndef HISTORYFILE_H
#define HISTORYFILE_H

#include "history.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

// The calibration history as the program wrote it, read by its own header's column titles: each
// event's line split at commas (the values in these tests hold none).
struct HistoryFile
{
    QStringList header;
    QList<QStringList> rows;

    QString value(qsizetype row, const QString &column) const
    {
        return rows.value(row).value(header.indexOf(column));
    }
    QStringList column(const QString &title) const
    {
        QStringList values;
        for (qsizetype row = 0; row < rows.size(); ++row)
            values.append(value(row, title));
        return values;
    }
    QStringList events() const { return column(QStringLiteral("Event")); }
};

inline HistoryFile readHistory()
{
    QFile file(HistoryLog::defaultFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Without the byte-order mark the first title reads as itself.
    const QList<QByteArray> lines = file.readAll().mid(3).split('\n');
    HistoryFile history { QString::fromUtf8(lines.value(0).trimmed()).split(QLatin1Char(',')), {} };
    for (qsizetype line = 1; line < lines.size(); ++line) {
        const QStringList columns
            = QString::fromUtf8(lines.at(line).trimmed()).split(QLatin1Char(','));
        if (columns.size() == history.header.size())
            history.rows.append(columns);
    }
    return history;
}

// No calibration history from earlier tests, even where one made its folder a plain file.
inline void removeHistory()
{
    const QString folder = QFileInfo(HistoryLog::defaultFilePath()).absolutePath();
    QFile::remove(folder);
    QDir(folder).removeRecursively();
}

#endif
