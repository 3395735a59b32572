#ifndef REPORTPRINTER_H
#define REPORTPRINTER_H

#include <QStringList>

class QByteArray;
class QPagedPaintDevice;
class QPainter;

// A text file's lines as they are printed: split after each LF (the LF stays with its line, a
// last line without LF counts), each cut at its first NUL byte, read as Latin-1.
QStringList printableLines(const QByteArray &fileBytes);

// Draws the lines at left 100 with a pitch of 10 device units, first line at 10, each in a
// 500 x 500 box aligned left and top without wrapping. A line that would not fit on the page
// goes onto a new page, where the numbering starts again at 10.
void drawPrintout(QPainter &painter, QPagedPaintDevice &device, const QStringList &lines);

#endif
