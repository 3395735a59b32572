#ifndef TESTFILES_H
#define TESTFILES_H

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// A file's bytes; "<unreadable>" where it cannot be read, which no expected content equals.
QByteArray fileContents(const QString &path);

// What pdftotext (poppler-utils) reads from a PDF file with the given options. None when the
// tool is missing or fails: a check of a PDF must then fail, never pass on an empty text.
std::optional<QString> pdfText(const QString &pdfPath, const QStringList &options = { "-layout" });
// How many pages pdfinfo (poppler-utils) counts in a PDF file; none when the tool is missing or
// fails, so a check of it fails.
std::optional<int> pdfPageCount(const QString &pdfPath);

#endif
