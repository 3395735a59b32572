#include "reportprinter.h"

#include "nultext.h"

#include <QByteArray>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

namespace {
constexpr int lineLeft = 100;
constexpr int linePitch = 10;
constexpr int lineBoxSize = 500;

// The painter's own font is taller than the fixed pitch, so its lines would run into each
// other; the largest pixel size whose line spacing fits the pitch keeps every line legible
// without moving any of them. The exact spacing counts, not the whole-unit one, which rounds
// ascent and descent apart and so passes a size whose lines still touch. A font's line spacing
// is never below its em height, so no size above the pitch can fit.
QFont fontFittingPitch(const QFont &defaultFont, const QPaintDevice &device)
{
    QFont font = defaultFont;
    int pixelSize = linePitch;
    font.setPixelSize(pixelSize);
    while (pixelSize > 1 && QFontMetricsF(font, &device).lineSpacing() > linePitch)
        font.setPixelSize(--pixelSize);
    return font;
}
}

QStringList printableLines(const QByteArray &fileBytes)
{
    QStringList lines;
    qsizetype start = 0;
    while (start < fileBytes.size()) {
        const qsizetype lineFeed = fileBytes.indexOf('\n', start);
        const qsizetype end = lineFeed < 0 ? fileBytes.size() : lineFeed + 1;
        // A NUL ends what we print of a line, as it ends a C string.
        lines.append(textBeforeNul(fileBytes.mid(start, end - start)));
        start = end;
    }
    return lines;
}

void drawPrintout(QPainter &painter, QPagedPaintDevice &device, const QStringList &lines)
{
    painter.setFont(fontFittingPitch(painter.font(), device));
    int top = 0;
    for (const QString &line : lines) {
        top += linePitch;
        if (top + linePitch > device.height()) {
            if (!device.newPage())
                return;
            top = linePitch;
        }
        painter.drawText(
            QRect(lineLeft, top, lineBoxSize, lineBoxSize), Qt::AlignLeft | Qt::AlignTop, line);
    }
}
