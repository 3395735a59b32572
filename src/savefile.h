#ifndef SAVEFILE_H
#define SAVEFILE_H

#include <QByteArray>
#include <QString>

class QSaveFile;

// Every file the programs write is written whole or not at all: the bytes go into a new file
// beside the target, which replaces it only once every byte is down. When anything fails, a
// file already there stays as it was.

// Finishes a save file whose bytes were written: false, and why, when any of them did not
// reach the disk. Qt 6.4's commit() renames even when its own last flush of the buffered bytes
// fails (a full disk then leaves a file cut short), so the flush is checked first.
bool commitWhole(QSaveFile &file, QString *error);

// The bytes as the whole new content of the file at path.
bool writeFileWhole(const QString &path, const QByteArray &bytes, QString *error);

// A text made safe as part of a file name: plain ASCII letters, digits, '-', '_' and '.', every
// other character (a slash, a line break) replaced by '_', at most maxLength characters.
QString fileNamePart(const QString &text, int maxLength = 64);

#endif
