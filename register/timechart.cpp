#include "timechart.h"

#include <QCoreApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <algorithm>
#include <limits>

namespace {
constexpr int leftMargin = 72;
constexpr int rightMargin = 16;
constexpr int titleHeight = 20;
constexpr int timeAxisHeight = 26;
constexpr int panelGap = 10;
constexpr int panelHeightHint = 120;
constexpr int maxValueTicks = 5;
constexpr int maxTimeTicks = 8;
constexpr double pointRadius = 3.0;
constexpr double pickDistance = 8.0;
constexpr double errorCap = 3.0;
constexpr double singleMomentRoomMs = 15 * 24 * 3600 * 1000.0;
constexpr double crossHalf = 4.0;
// A band that reads on light and dark grounds alike.
const QColor bandColour(90, 190, 90, 60);
// A failed reading's cross: red on light and dark grounds, apart from every series' colour.
const QColor failColour(0xd0, 0x21, 0x21);

bool anyFailed(const ChartPanel &panel)
{
    return std::any_of(panel.series.cbegin(), panel.series.cend(), [](const ChartSeries &series) {
        return std::any_of(series.points.cbegin(), series.points.cend(),
            [](const ChartPoint &point) { return point.failed; });
    });
}

void drawCross(QPainter &painter, const QPointF &at)
{
    painter.drawLine(at + QPointF(-crossHalf, -crossHalf), at + QPointF(crossHalf, crossHalf));
    painter.drawLine(at + QPointF(-crossHalf, crossHalf), at + QPointF(crossHalf, -crossHalf));
}
}

TimeChart::TimeChart(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
}

AxisRange timeRangeOf(const QList<ChartPanel> &panels)
{
    double low = std::numeric_limits<double>::max();
    double high = std::numeric_limits<double>::lowest();
    for (const ChartPanel &panel : panels) {
        for (const ChartSeries &series : panel.series) {
            for (const ChartPoint &point : series.points) {
                low = std::min(low, double(point.atMs));
                high = std::max(high, double(point.atMs));
            }
        }
    }
    if (low > high)
        return { 0, 1 };
    if (low == high)
        return { low - singleMomentRoomMs, high + singleMomentRoomMs };
    return paddedRange(low, high);
}

void TimeChart::setPanels(const QList<ChartPanel> &panels, const AxisRange &timeRange)
{
    m_panels = panels;
    m_valueRanges.clear();
    for (const ChartPanel &panel : m_panels)
        m_valueRanges.append(valueRange(panel));
    m_timeRange = timeRange;
    updateGeometry();
    update();
}

QSize TimeChart::sizeHint() const
{
    return { 640,
        int(m_panels.size()) * (panelHeightHint + titleHeight + panelGap) + timeAxisHeight };
}

QSize TimeChart::minimumSizeHint() const
{
    return { 320, int(m_panels.size()) * (60 + titleHeight + panelGap) + timeAxisHeight };
}

QRectF TimeChart::plotArea(int panel) const
{
    const double slot = double(height() - timeAxisHeight) / std::max<qsizetype>(1, m_panels.size());
    const double top = panel * slot + titleHeight;
    return { double(leftMargin), top, double(width() - leftMargin - rightMargin),
        slot - titleHeight - panelGap };
}

AxisRange TimeChart::valueRange(const ChartPanel &panel)
{
    double low = std::numeric_limits<double>::max();
    double high = std::numeric_limits<double>::lowest();
    for (const ChartSeries &series : panel.series) {
        for (const ChartPoint &point : series.points) {
            low = std::min(low, point.value - point.uncertainty.value_or(0));
            high = std::max(high, point.value + point.uncertainty.value_or(0));
        }
    }
    if (panel.band) {
        low = std::min(low, panel.band->low);
        high = std::max(high, panel.band->high);
    }
    if (low > high)
        return { 0, 1 };
    return paddedRange(low, high);
}

QPointF TimeChart::positionOf(int panel, const ChartPoint &point) const
{
    const QRectF area = plotArea(panel);
    return { toPixel(double(point.atMs), m_timeRange, area.left(), area.right()),
        toPixel(point.value, m_valueRanges.at(panel), area.bottom(), area.top()) };
}

std::optional<ChartPoint> TimeChart::pointAt(const QPoint &position) const
{
    std::optional<ChartPoint> nearest;
    double nearestDistance = pickDistance;
    for (int panel = 0; panel < m_panels.size(); ++panel) {
        for (const ChartSeries &series : m_panels.at(panel).series) {
            for (const ChartPoint &point : series.points) {
                const QPointF offset = positionOf(panel, point) - QPointF(position);
                const double distance = std::hypot(offset.x(), offset.y());
                if (distance <= nearestDistance) {
                    nearestDistance = distance;
                    nearest = point;
                }
            }
        }
    }
    return nearest;
}

bool TimeChart::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        if (const std::optional<ChartPoint> point = pointAt(help->pos()))
            QToolTip::showText(help->globalPos(), point->tip, this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void TimeChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), palette().base());
    for (int panel = 0; panel < m_panels.size(); ++panel)
        drawPanel(painter, panel);
    drawTimeAxis(painter);
}

void TimeChart::drawPanel(QPainter &painter, int panel) const
{
    const ChartPanel &chart = m_panels.at(panel);
    const QRectF area = plotArea(panel);
    const AxisRange values = m_valueRanges.at(panel);
    const QColor text = palette().color(QPalette::Text);
    const QColor grid = palette().color(QPalette::Mid);

    painter.setPen(text);
    painter.drawText(QRectF(area.left(), area.top() - titleHeight, area.width(), titleHeight),
        Qt::AlignLeft | Qt::AlignVCenter, chart.title);
    // The legend, right of the title; the failing cross first where the panel has one.
    double legendRight = area.right();
    if (anyFailed(chart)) {
        const QString fail = QCoreApplication::translate("Register", "FAIL");
        const double width = painter.fontMetrics().horizontalAdvance(fail) + 22;
        const QRectF box(legendRight - width, area.top() - titleHeight, width, titleHeight);
        painter.setPen(QPen(failColour, 2));
        drawCross(painter, QPointF(box.left() + 8, box.center().y()));
        painter.setPen(text);
        painter.drawText(box.adjusted(18, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, fail);
        legendRight -= width + 8;
    }
    for (auto series = chart.series.crbegin(); series != chart.series.crend(); ++series) {
        const double width = painter.fontMetrics().horizontalAdvance(series->name) + 22;
        const QRectF box(legendRight - width, area.top() - titleHeight, width, titleHeight);
        painter.setPen(QPen(series->colour, 2));
        painter.drawLine(
            QPointF(box.left() + 2, box.center().y()), QPointF(box.left() + 14, box.center().y()));
        painter.setPen(text);
        painter.drawText(box.adjusted(18, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, series->name);
        legendRight -= width + 8;
    }
    if (chart.band) {
        const double top = toPixel(chart.band->high, values, area.bottom(), area.top());
        const double bottom = toPixel(chart.band->low, values, area.bottom(), area.top());
        painter.fillRect(QRectF(area.left(), top, area.width(), bottom - top), bandColour);
    }
    for (const Tick &tick : numberTicks(values.low, values.high, maxValueTicks)) {
        const double y = toPixel(tick.value, values, area.bottom(), area.top());
        painter.setPen(QPen(grid, 0, Qt::DotLine));
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        painter.setPen(text);
        painter.drawText(
            QRectF(0, y - 9, leftMargin - 6, 18), Qt::AlignRight | Qt::AlignVCenter, tick.label);
    }
    painter.setPen(QPen(grid, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area);
    for (const ChartSeries &series : chart.series) {
        QPainterPath line;
        for (const ChartPoint &point : series.points) {
            const QPointF at = positionOf(panel, point);
            if (line.elementCount() == 0)
                line.moveTo(at);
            else
                line.lineTo(at);
        }
        painter.setPen(QPen(series.colour, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(line);
        // Each reading's expanded uncertainty, over the band it is judged against.
        for (const ChartPoint &point : series.points) {
            if (!point.uncertainty)
                continue;
            const QPointF at = positionOf(panel, point);
            const double top
                = toPixel(point.value + *point.uncertainty, values, area.bottom(), area.top());
            const double bottom
                = toPixel(point.value - *point.uncertainty, values, area.bottom(), area.top());
            painter.drawLine(QPointF(at.x(), top), QPointF(at.x(), bottom));
            painter.drawLine(QPointF(at.x() - errorCap, top), QPointF(at.x() + errorCap, top));
            painter.drawLine(
                QPointF(at.x() - errorCap, bottom), QPointF(at.x() + errorCap, bottom));
        }
        // Round dots in one call: a wide pen with round ends draws each point as a disc. A
        // failed reading is a cross instead, so it never looks like a pass on the band.
        QPolygonF passing;
        QList<QPointF> failing;
        for (const ChartPoint &point : series.points)
            (point.failed ? failing : passing).append(positionOf(panel, point));
        painter.setPen(QPen(series.colour, 2 * pointRadius, Qt::SolidLine, Qt::RoundCap));
        painter.drawPoints(passing);
        painter.setPen(QPen(failColour, 2));
        for (const QPointF &at : failing)
            drawCross(painter, at);
    }
}

void TimeChart::drawTimeAxis(QPainter &painter) const
{
    if (m_panels.isEmpty())
        return;
    const QRectF area = plotArea(int(m_panels.size()) - 1);
    const AxisRange times = m_timeRange;
    painter.setPen(palette().color(QPalette::Text));
    for (const Tick &tick : timeTicks(qint64(times.low), qint64(times.high), maxTimeTicks)) {
        const double x = toPixel(tick.value, times, area.left(), area.right());
        painter.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + 4));
        painter.drawText(QRectF(x - 50, area.bottom() + 4, 100, timeAxisHeight - 4),
            Qt::AlignHCenter | Qt::AlignTop, tick.label);
    }
}
