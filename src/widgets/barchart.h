#pragma once

#include <QChartView>
#include <QColor>
#include <QList>
#include <QPointF>

class QBarSeries;
class QBarSet;
class QGraphicsSimpleTextItem;
class QValueAxis;

// A bar chart over whole-number positions 0 to `lastPosition` on a fixed bottom axis, labelled at
// each position (every other one when there are many), with half a position of room at either
// end: one bar per given point, its value written above it (below it when negative), positions
// without a point left empty. No legend, no grid lines, the title in white bold type on a gradient.
class BarChart : public QChartView {
    Q_OBJECT
public:
    struct Look {
        QString title;
        int lastPosition = 12;
        QString unit;           // after each bottom label, e.g. "月"
        QColor colour;
        qreal barWidth = 0.15;  // part of one position's width
    };

    explicit BarChart(const Look &look, QWidget *parent = nullptr);

    // The bars: x is the position, y the value. Points outside the axis are left out.
    void setBars(const QList<QPointF> &bars);
    const QList<QPointF> &bars() const { return m_bars; }
    // The value marks as shown, left to right.
    QStringList valueMarks() const;
    // The bottom axis labels as shown, left to right.
    QStringList axisLabels() const;

private:
    void placeValueMarks();

    Look m_look;
    QBarSeries *m_series;
    QBarSet *m_set;
    QValueAxis *m_xAxis;
    QValueAxis *m_yAxis;
    QList<QPointF> m_bars;
    QList<QGraphicsSimpleTextItem *> m_marks;
};
