#include "counter/labels/hangtaglayout.h"

#include <QFont>
#include <QFontMetricsF>
#include <QMarginsF>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <algorithm>

namespace {

// Distances on the label in millimetres, for a label 30 mm high; taller labels scale them.
constexpr double kEdgeMm = 1.5;     // blank border around the texts
constexpr double kSideEdgeMm = 1.0; // the label's edge that may count towards a quiet zone
constexpr double kNameMm = 3.4;     // text heights
constexpr double kLineMm = 2.8;
constexpr double kDigitsMm = 2.6;
constexpr double kGapMm = 0.6;
// A name too wide for the label is set smaller down to this part of its size, then cut.
constexpr double kSmallestNamePart = 0.6;

QFont labelFont(double heightDots, bool bold)
{
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(std::max(1, int(heightDots + 0.5)));
    font.setBold(bold);
    return font;
}

// Draws `text` in `rect`, made smaller (down to a limit) and then cut with "…" when it is too wide.
void drawFitted(QPainter &painter, QFont font, const QRectF &rect, Qt::Alignment alignment, const QString &text,
                double smallestPart = 1.0)
{
    const int fullSize = font.pixelSize();
    for (;;) {
        const double width = QFontMetricsF(font, painter.device()).horizontalAdvance(text);
        const int smaller = int(font.pixelSize() * 0.9);
        if (width <= rect.width() || smaller < fullSize * smallestPart || smaller < 1)
            break;
        font.setPixelSize(smaller);
    }
    painter.setFont(font);
    const QString shown = QFontMetricsF(font, painter.device()).elidedText(text, Qt::ElideRight, rect.width());
    painter.drawText(rect, int(alignment | Qt::AlignVCenter), shown);
}

} // namespace

QString LabelSize::text() const
{
    return QStringLiteral("%1×%2 mm").arg(widthMm).arg(heightMm);
}

const QList<LabelSize> &LabelSize::common()
{
    static const QList<LabelSize> sizes{{40, 30}, {50, 30}, {60, 40}};
    return sizes;
}

HangTagLayout::HangTagLayout(LabelSize size) : m_size(size)
{
}

double HangTagLayout::moduleMm(const Code128Symbol &symbol) const
{
    const double room = m_size.widthMm - 2 * kSideEdgeMm;
    return std::min(kMaxModuleMm, room / (symbol.modules() + 2 * kQuietModules));
}

QString HangTagLayout::whyNotPrintable(const Code128Symbol &symbol) const
{
    if (!symbol.isValid())
        return symbol.error();
    if (moduleMm(symbol) < kMinModuleMm)
        return QStringLiteral("编码太长，%1 的标签印不下它的条码").arg(m_size.text());
    return {};
}

QPageLayout HangTagLayout::pageLayout() const
{
    const QPageSize paper(QSizeF(m_size.widthMm, m_size.heightMm), QPageSize::Millimeter,
                          QStringLiteral("标签 %1").arg(m_size.text()), QPageSize::ExactMatch);
    return QPageLayout(paper, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

void HangTagLayout::paint(QPainter &painter, double dotsPerMm, const HangTag &tag, const Code128Symbol &symbol) const
{
    const double scale = m_size.heightMm / 30.0;
    auto dots = [dotsPerMm, scale](double mm) { return mm * scale * dotsPerMm; };
    const double width = m_size.widthMm * dotsPerMm;
    const double height = m_size.heightMm * dotsPerMm;
    const double edge = dots(kEdgeMm);
    const double textWidth = width - 2 * edge;
    // Lines are a quarter higher than their text.
    const double nameLine = dots(kNameMm) * 1.25;
    const double line = dots(kLineMm) * 1.25;
    const double digitsLine = dots(kDigitsMm) * 1.2;

    painter.save();
    painter.setPen(Qt::black);
    double y = edge;
    drawFitted(painter, labelFont(dots(kNameMm), true), QRectF(edge, y, textWidth, nameLine), Qt::AlignHCenter,
               tag.name, kSmallestNamePart);
    y += nameLine;

    // The price keeps its room; the model takes what is left beside it.
    const QFont lineFont = labelFont(dots(kLineMm), false);
    const QString price = tag.price.isEmpty() ? QString() : QStringLiteral("￥") + tag.price;
    const double priceWidth =
        std::min(textWidth, QFontMetricsF(lineFont, painter.device()).horizontalAdvance(price));
    if (!price.isEmpty())
        drawFitted(painter, lineFont, QRectF(edge + textWidth - priceWidth, y, priceWidth, line), Qt::AlignRight, price);
    const double modelWidth = textWidth - priceWidth - (price.isEmpty() ? 0 : dots(1.0));
    if (modelWidth > 0)
        drawFitted(painter, lineFont, QRectF(edge, y, modelWidth, line), Qt::AlignLeft, tag.model);
    y += line + dots(kGapMm);

    const double digitsTop = height - edge - digitsLine;
    const double barsHeight = digitsTop - dots(kGapMm) / 2 - y;
    const double barsWidth = symbol.modules() * moduleMm(symbol) * dotsPerMm;
    if (symbol.isValid() && barsHeight > 0)
        symbol.paint(painter, QRectF((width - barsWidth) / 2, y, barsWidth, barsHeight));
    drawFitted(painter, labelFont(dots(kDigitsMm), false), QRectF(edge, digitsTop, textWidth, digitsLine),
               Qt::AlignHCenter, tag.code);
    painter.restore();
}

Printing::Job HangTagLayout::job(const QString &name, const QList<PrintedTag> &tags) const
{
    Printing::Job job;
    job.name = name;
    job.layout = pageLayout();
    const HangTagLayout layout = *this;
    job.paint = [layout, tags](QPrinter &printer) {
        QPainter painter;
        if (!painter.begin(&printer))
            return; // the caller finds no complete document and says so
        const double dotsPerMm = printer.resolution() / 25.4;
        bool first = true;
        for (const PrintedTag &printed : tags) {
            for (int copy = 0; copy < printed.copies; ++copy) {
                if (!first && !printer.newPage())
                    return;
                first = false;
                layout.paint(painter, dotsPerMm, printed.tag, printed.symbol);
            }
        }
    };
    return job;
}
