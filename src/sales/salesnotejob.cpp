#include "sales/salesnotejob.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QTextBoundaryFinder>

namespace salesnote {
namespace {

// The page, in millimetres.
constexpr double kMarginLeftRight = 15;
constexpr double kMarginTopBottom = 10;
constexpr double kBandWidth = 180;
constexpr double kCentre = 91; // centred elements are centred around this x

// Band heights.
constexpr double kTitleHeight = 14.0;
constexpr double kCustomerHeight = 6.1;
constexpr double kAddressHeight = 6.1;
constexpr double kHeaderHeight = 7.4;
constexpr double kLineHeight = 6.6;
constexpr double kSummaryHeight = 9.5;
constexpr double kSlogansHeight = 11.9;
constexpr double kSlogansCollapsed = 0.5; // only the frame shows
constexpr double kSignaturesHeight = 8.2;

constexpr double kRuleWidth = 0.25;
constexpr double kCellPadding = 0.6;

// The vertical rules of the column titles and of every line.
constexpr double kColumnRules[] = {34.4, 74.3, 100.0, 114.8, 131.8, 148.7};

struct ColumnTitle {
    double x;
    const char *text;
};
constexpr ColumnTitle kColumnTitles[] = {{8.5, "商品名称"},  {47.1, "规格型号"}, {83.9, "编 码"}, {104.5, "数量"},
                                         {119.3, "单 价"},   {136.5, "金 额"},   {158.8, "备 注"}};

QFont noteFont(double points, bool bold = false, bool underline = false)
{
    QFont font(QStringLiteral("宋体"));
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

// What happens to a text wider than its cell: a name is cut after the last whole character that
// fits; a figure is squeezed, since a figure cut short would be a different figure.
enum class Overflow { Cut, Squeeze };

// Paints bands one under the other on printer pages, positions in millimetres from the band's
// left edge and top.
class BandPainter {
public:
    BandPainter(QPrinter &printer, QPainter &painter)
        : m_printer(printer), m_painter(painter), m_dotsPerMm(printer.resolution() / 25.4),
          m_pageHeight(printer.height() / m_dotsPerMm)
    {
        m_painter.setPen(QPen(Qt::black, mm(kRuleWidth)));
    }

    bool fits(double height) const { return m_top + height <= m_pageHeight + 0.01; }
    // Ends the page and starts the next one at its top; false when the printer refuses.
    bool newPage()
    {
        if (!m_printer.newPage())
            return false;
        m_top = 0;
        return true;
    }
    // The band being painted starts at the current top; this moves past it.
    void endBand(double height) { m_top += height; }

    void horizontal(double x1, double x2, double y) { m_painter.drawLine(point(x1, y), point(x2, y)); }
    void vertical(double x, double y1, double y2) { m_painter.drawLine(point(x, y1), point(x, y2)); }
    // The frame of a band of this height on the given sides.
    void frame(double height, bool bottom)
    {
        horizontal(0, kBandWidth, 0);
        vertical(0, 0, height);
        vertical(kBandWidth, 0, height);
        if (bottom)
            horizontal(0, kBandWidth, height);
    }

    // One line of text in the cell from `left` to `right`: at its top `y`, or centred in the band
    // of height `bandHeight` when `y` is negative.
    void text(const QString &text, const QFont &font, double left, double right, double y, double bandHeight,
              Qt::Alignment align = Qt::AlignLeft, Overflow overflow = Overflow::Cut)
    {
        if (text.isEmpty())
            return;
        const QFontMetricsF metrics(font, &m_printer);
        const double width = mm(right - left);
        const double top = y >= 0 ? mm(y) : (mm(bandHeight) - metrics.height()) / 2;
        QString shown = text;
        double scale = 1;
        const double advance = metrics.horizontalAdvance(text);
        if (advance > width) {
            if (overflow == Overflow::Cut)
                shown = fitting(text, metrics, width);
            else
                scale = width / advance;
        }
        m_painter.save();
        m_painter.setFont(font);
        m_painter.translate(mm(left), mm(m_top) + top);
        m_painter.scale(scale, 1);
        const QRectF cell(0, 0, width / scale, metrics.height());
        m_painter.drawText(cell, int(align | Qt::AlignTop) | Qt::TextSingleLine | Qt::TextDontClip, shown);
        m_painter.restore();
    }

private:
    double mm(double millimetres) const { return millimetres * m_dotsPerMm; }
    QPointF point(double x, double y) const { return {mm(x), mm(m_top + y)}; }

    // The longest beginning of `text` of whole characters that is no wider than `width`.
    static QString fitting(const QString &text, const QFontMetricsF &metrics, double width)
    {
        QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, text);
        qsizetype fits = 0;
        for (qsizetype end = characters.toNextBoundary(); end > 0; end = characters.toNextBoundary()) {
            if (metrics.horizontalAdvance(text.left(end)) > width)
                break;
            fits = end;
        }
        return text.left(fits);
    }

    QPrinter &m_printer;
    QPainter &m_painter;
    double m_dotsPerMm;
    double m_pageHeight;
    double m_top = 0; // of the band being painted, from the top of the page's printable area
};

// Texts centred around the layout's centre line.
void centred(BandPainter &page, const QString &text, const QFont &font, double y)
{
    const double half = kBandWidth - kCentre;
    page.text(text, font, kCentre - half, kCentre + half, y, 0, Qt::AlignHCenter);
}

void paintTitle(BandPainter &page, const Content &note)
{
    centred(page, note.heading, noteFont(16, true), 0.5);
    page.horizontal(42.6, 139.4, 6.3);
    page.horizontal(42.6, 139.4, 7.4);
    centred(page, note.contact, noteFont(10), 9.0);
    page.endBand(kTitleHeight);

    const QFont font = noteFont(11);
    page.text(note.customer, font, 4.2, 137.3, -1, kCustomerHeight);
    page.text(note.orderNumber, font, 137.3, kBandWidth, -1, kCustomerHeight);
    page.endBand(kCustomerHeight);

    page.text(note.address, font, 4.2, 88.4, -1, kAddressHeight);
    page.text(note.telephone, font, 88.4, 137.3, -1, kAddressHeight);
    page.text(note.date, font, 137.3, kBandWidth, -1, kAddressHeight);
    page.endBand(kAddressHeight);
}

void columnRules(BandPainter &page, double height)
{
    page.frame(height, false);
    for (double x : kColumnRules)
        page.vertical(x, 0, height);
}

void paintColumnTitles(BandPainter &page)
{
    columnRules(page, kHeaderHeight);
    const QFont font = noteFont(11, true);
    for (const ColumnTitle &title : kColumnTitles)
        page.text(QString::fromUtf8(title.text), font, title.x, kBandWidth, -1, kHeaderHeight);
    page.endBand(kHeaderHeight);
}

void paintLine(BandPainter &page, const Line &line)
{
    columnRules(page, kLineHeight);
    const QFont font = noteFont(11);
    const auto cell = [&](const QString &text, double left, double width) {
        page.text(text, font, left, left + width, -1, kLineHeight);
    };
    const auto figure = [&](const QString &text, double ruleBefore, double right) {
        page.text(text, font, ruleBefore + kCellPadding, right, -1, kLineHeight, Qt::AlignRight, Overflow::Squeeze);
    };
    cell(line.name, 2.1, 32.8);
    cell(line.model, 36.8, 38.6);
    cell(line.code, 77.3, 23.3);
    figure(line.quantity, 100.0, 113.8);
    figure(line.unitPrice, 114.8, 129.9);
    figure(line.amount, 131.8, 147.7);
    cell(line.remark, 150.8, 28.3);
    page.endBand(kLineHeight);
}

double closingHeight(const Content &note)
{
    return kSummaryHeight + (note.slogans ? kSlogansHeight : kSlogansCollapsed) + kSignaturesHeight;
}

void paintClosing(BandPainter &page, const Content &note)
{
    page.frame(kSummaryHeight, false);
    page.vertical(131.8, 0, kSummaryHeight);
    const QFont bold = noteFont(11, true);
    page.text(QStringLiteral("合 计"), bold, 4.5, 18.8, 0.5, 0);
    page.text(QStringLiteral("人民币"), bold, 3.4, 18.8, 4.8, 0);
    page.text(note.capitals, bold, 18.8, 131.8 - kCellPadding, 2.4, 0, Qt::AlignLeft, Overflow::Squeeze);
    page.text(note.total, noteFont(11, true, true), 136.3, kBandWidth - kCellPadding, 3.2, 0, Qt::AlignLeft,
              Overflow::Squeeze);
    page.endBand(kSummaryHeight);

    const double slogansHeight = note.slogans ? kSlogansHeight : kSlogansCollapsed;
    page.frame(slogansHeight, true);
    if (note.slogans) {
        const QFont font = noteFont(10);
        page.text(note.slogan1, font, 3.2, kBandWidth - kCellPadding, 1.3, 0);
        page.text(note.slogan2, font, 3.2, kBandWidth - kCellPadding, 6.3, 0);
    }
    page.endBand(slogansHeight);

    const QFont font = noteFont(11);
    page.text(QStringLiteral("收货人："), font, 6.3, 65.6, -1, kSignaturesHeight);
    page.text(QStringLiteral("送货人："), font, 65.6, 130.7, -1, kSignaturesHeight);
    page.text(note.maker, font, 130.7, kBandWidth, -1, kSignaturesHeight);
    page.endBand(kSignaturesHeight);
}

void paint(QPrinter &printer, const Content &note)
{
    QPainter painter(&printer);
    if (!painter.isActive())
        return;
    BandPainter page(printer, painter);
    // The table of a full page is closed under its last band, then goes on under the column titles.
    const auto continueOnNextPage = [&] {
        page.horizontal(0, kBandWidth, 0);
        if (!page.newPage())
            return false;
        paintColumnTitles(page);
        return true;
    };

    paintTitle(page, note);
    paintColumnTitles(page);
    for (const Line &line : note.lines) {
        if (!page.fits(kLineHeight) && !continueOnNextPage())
            return;
        paintLine(page, line);
    }
    if (!page.fits(closingHeight(note)) && !continueOnNextPage())
        return;
    paintClosing(page, note);
}

} // namespace

Printing::Job job(const Content &note)
{
    Printing::Job job;
    job.name = QStringLiteral("销售单");
    job.layout = QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                             QMarginsF(kMarginLeftRight, kMarginTopBottom, kMarginLeftRight, kMarginTopBottom),
                             QPageLayout::Millimeter);
    job.paint = [note](QPrinter &printer) { paint(printer, note); };
    return job;
}

} // namespace salesnote
