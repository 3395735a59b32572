#ifndef TIMECHART_H
#define TIMECHART_H

#include "chartscale.h"

#include <QColor>
#include <QList>
#include <QWidget>
#include <optional>

struct ChartPoint
{
    qint64 atMs = 0;
    double value = 0;
    QString tip; // the exact value, in words, shown when the pointer rests on it
    std::optional<double> uncertainty; // drawn as a bar of plus and minus this much
    bool failed = false; // drawn as a cross in the failing colour, never as a passing dot
};

struct ChartSeries
{
    QString name;
    QColor colour;
    QList<ChartPoint> points;
};

// One value over time, under a title that names it and its unit, with the range it must stay
// within where it has one.
struct ChartPanel
{
    QString title;
    QList<ChartSeries> series;
    std::optional<AxisRange> band;
};

// The times the panels' points span, with room around them; one moment alone stands in the
// middle of a month.
AxisRange timeRangeOf(const QList<ChartPanel> &panels);

// Values over time drawn with QPainter: panels stacked on one time axis, each with its own
// value axis. Resting the pointer on a point shows its exact value.
class TimeChart : public QWidget
{
    Q_OBJECT

public:
    explicit TimeChart(QWidget *parent = nullptr);

    // Charts shown together are given one time range, so one run stands at one place in each.
    void setPanels(const QList<ChartPanel> &panels, const AxisRange &timeRange);
    void setPanels(const QList<ChartPanel> &panels) { setPanels(panels, timeRangeOf(panels)); }
    const AxisRange &shownTimes() const { return m_timeRange; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // The point drawn nearest the position, if one is close enough to be the one meant.
    std::optional<ChartPoint> pointAt(const QPoint &position) const;
    // Where a point of a panel is drawn.
    QPointF positionOf(int panel, const ChartPoint &point) const;
    const QList<ChartPanel> &panels() const { return m_panels; }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    QRectF plotArea(int panel) const;
    static AxisRange valueRange(const ChartPanel &panel);
    void drawPanel(QPainter &painter, int panel) const;
    void drawTimeAxis(QPainter &painter) const;

    QList<ChartPanel> m_panels;
    // Worked out once for the panels set, not at each point drawn.
    AxisRange m_timeRange { 0, 1 };
    QList<AxisRange> m_valueRanges;
};

#endif
