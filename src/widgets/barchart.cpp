#include "widgets/barchart.h"

#include "common/numbertext.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QGraphicsSimpleTextItem>
#include <QLinearGradient>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace {

// How values and positions are written on the chart.
QString valueText(double value)
{
    return numbertext::format(value, QStringLiteral("#,##0.###"));
}

} // namespace

BarChart::BarChart(const Look &look, QWidget *parent)
    : QChartView(parent), m_look(look), m_series(new QBarSeries), m_set(new QBarSet(QString()))
{
    setRenderHint(QPainter::Antialiasing);
    auto *chart = new QChart;
    chart->setTitle(look.title);
    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setBold(true);
    titleFont.setPointSize(11);
    chart->setTitleFont(titleFont);
    chart->setTitleBrush(Qt::white);
    QLinearGradient background(0, 0, 0, 1);
    background.setCoordinateMode(QGradient::ObjectBoundingMode);
    background.setColorAt(0, QColor(0x1C, 0x4E, 0x8A));
    background.setColorAt(0.18, QColor(0x5B, 0x8F, 0xC9));
    background.setColorAt(0.19, QColor(0xF4, 0xF7, 0xFB));
    background.setColorAt(1, QColor(0xDD, 0xE6, 0xF0));
    chart->setBackgroundBrush(background);
    chart->setBackgroundRoundness(0);
    chart->legend()->hide();
    chart->setMargins(QMargins(4, 4, 4, 4));

    m_set->setColor(look.colour);
    m_set->setBorderColor(look.colour.darker(140));
    m_series->append(m_set);
    m_series->setBarWidth(look.barWidth);
    chart->addSeries(m_series);

    // The bottom axis always spans 0 to lastPosition, one label per position, whatever the data.
    auto *xAxis = new QCategoryAxis;
    xAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    // Half a position of room at either end, so a bar at the first or last position is whole.
    xAxis->setRange(-0.5, look.lastPosition + 0.5);
    const int step = look.lastPosition > 16 ? 2 : 1;
    for (int position = 0; position <= look.lastPosition; position += step)
        xAxis->append(valueText(position) + look.unit, position);
    xAxis->setGridLineVisible(false);
    xAxis->setStartValue(-0.5);
    m_xAxis = xAxis;
    m_yAxis = new QValueAxis;
    m_yAxis->setGridLineVisible(false);
    m_yAxis->setLabelFormat(QStringLiteral("%.10g"));
    chart->addAxis(m_xAxis, Qt::AlignBottom);
    chart->addAxis(m_yAxis, Qt::AlignLeft);
    m_series->attachAxis(m_xAxis);
    m_series->attachAxis(m_yAxis);
    setChart(chart);

    connect(chart, &QChart::plotAreaChanged, this, &BarChart::placeValueMarks);
    setBars({});
}

void BarChart::setBars(const QList<QPointF> &bars)
{
    // One value per position; a position without a bar holds 0 and no value mark. Points at the
    // same position make one bar of their total.
    QList<qreal> values(m_look.lastPosition + 1, 0.0);
    std::vector<bool> used(size_t(m_look.lastPosition + 1), false);
    for (const QPointF &bar : bars) {
        const int position = int(std::lround(bar.x()));
        if (position < 0 || position > m_look.lastPosition)
            continue;
        values[position] += bar.y();
        used[size_t(position)] = true;
    }
    m_bars.clear();
    double low = 0, high = 0;
    for (int position = 0; position <= m_look.lastPosition; ++position) {
        if (!used[size_t(position)])
            continue;
        m_bars << QPointF(position, values[position]);
        low = std::min(low, values[position]);
        high = std::max(high, values[position]);
    }
    m_set->remove(0, m_set->count());
    m_set->append(values);
    // Room above and below the bars for their value marks.
    const double span = high - low > 0 ? high - low : 1;
    m_yAxis->setRange(low < 0 ? low - span * 0.12 : 0, high > 0 ? high + span * 0.12 : (low < 0 ? 0 : 1));
    m_yAxis->applyNiceNumbers();
    m_xAxis->setRange(-0.5, m_look.lastPosition + 0.5);

    qDeleteAll(m_marks);
    m_marks.clear();
    for (const QPointF &bar : std::as_const(m_bars)) {
        auto *mark = new QGraphicsSimpleTextItem(valueText(bar.y()), chart());
        mark->setData(0, bar.x());
        m_marks << mark;
    }
    placeValueMarks();
}

QStringList BarChart::valueMarks() const
{
    QStringList texts;
    for (const QGraphicsSimpleTextItem *mark : m_marks)
        texts << mark->text();
    return texts;
}

QStringList BarChart::axisLabels() const
{
    return static_cast<QCategoryAxis *>(m_xAxis)->categoriesLabels();
}

void BarChart::placeValueMarks()
{
    for (QGraphicsSimpleTextItem *mark : std::as_const(m_marks)) {
        const int position = mark->data(0).toInt();
        const qreal value = m_set->at(position);
        const QPointF top = chart()->mapToPosition(QPointF(position, value), m_series);
        const QRectF box = mark->boundingRect();
        const qreal y = value >= 0 ? top.y() - box.height() - 1 : top.y() + 1;
        mark->setPos(top.x() - box.width() / 2, y);
    }
}
