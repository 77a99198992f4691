#include "common/pagedpreview.h"

#include "common/pageddocument.h"

#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <algorithm>

namespace {

// How long one slice of the layout may keep the event loop waiting.
constexpr int kSliceMs = 40;
// The grey around the page.
constexpr int kBorder = 12;
constexpr double kZoomStep = 1.25;

} // namespace

// The page in view, on a grey ground.
class PagedPreview::Sheet : public QWidget {
public:
    explicit Sheet(PagedPreview &preview) : QWidget(&preview), m_preview(preview) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(0x80, 0x80, 0x80));
        const QImage &page = m_preview.pageImage();
        const QSizeF shown = page.deviceIndependentSize();
        const QPointF at((width() - shown.width()) / 2, kBorder);
        painter.fillRect(QRectF(at + QPointF(3, 3), shown), QColor(0x40, 0x40, 0x40)); // its shadow
        painter.drawImage(at, page);
    }

private:
    PagedPreview &m_preview;
};

PagedPreview::PagedPreview(PagedDocument &document, QPrinter &printer, QWidget *parent)
    : QScrollArea(parent), m_document(document), m_printer(printer), m_sheet(new Sheet(*this))
{
    const QPageLayout layout = printer.pageLayout();
    const int dpi = printer.resolution();
    m_paper = layout.fullRectPixels(dpi).size();
    m_origin = layout.paintRectPixels(dpi).topLeft();
    setWidget(m_sheet);
    setAlignment(Qt::AlignHCenter);
    setBackgroundRole(QPalette::Dark);
    // Always there, so fitting the page to the width does not bring it and a second fit.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_layOut.setInterval(0);
    connect(&m_layOut, &QTimer::timeout, this, &PagedPreview::layOutSlice);
}

int PagedPreview::pageCount() const
{
    return m_document.pageCount();
}

bool PagedPreview::isComplete() const
{
    return m_document.isComplete();
}

qint64 PagedPreview::stepsDone() const
{
    return m_document.stepsDone();
}

qint64 PagedPreview::stepsTotal() const
{
    return m_document.stepsTotal();
}

void PagedPreview::showEvent(QShowEvent *event)
{
    QScrollArea::showEvent(event);
    if (!m_document.isComplete() && !m_document.failed())
        m_layOut.start();
    resizeSheet();
}

void PagedPreview::layOutSlice()
{
    const int pagesBefore = pageCount();
    const int generation = m_document.generation();
    const bool more = m_document.layOutMore(kSliceMs);
    if (m_document.generation() != generation)
        m_page = 0; // begun again on a new listing: its first page
    // The page in view is painted as soon as it is laid out.
    if (m_document.generation() != generation || (m_page >= pagesBefore && m_page < pageCount()))
        m_sheet->update();
    emit previewChanged();
    if (!more) {
        m_layOut.stop();
        emit laidOut(m_document.failed());
    }
}

void PagedPreview::setCurrentPage(int page)
{
    const int last = std::max(1, pageCount());
    const int wanted = std::clamp(page, 1, last) - 1;
    if (wanted == m_page)
        return;
    m_page = wanted;
    verticalScrollBar()->setValue(0);
    m_sheet->update();
    emit previewChanged();
}

double PagedPreview::scale() const
{
    const QSize room = viewport()->size() - QSize(2 * kBorder, 2 * kBorder);
    switch (m_zoom) {
    case Zoom::FitWidth:
        return std::max(1, room.width()) / m_paper.width();
    case Zoom::WholePage:
        return std::min(std::max(1, room.width()) / m_paper.width(), std::max(1, room.height()) / m_paper.height());
    case Zoom::Factor:
        break;
    }
    return m_factor;
}

void PagedPreview::resizeSheet()
{
    const double s = scale();
    const QSize page(qRound(m_paper.width() * s), qRound(m_paper.height() * s));
    m_sheet->resize(std::max(page.width() + 2 * kBorder, viewport()->width()), page.height() + 2 * kBorder);
    m_sheet->update();
}

void PagedPreview::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    resizeSheet();
}

void PagedPreview::fitToWidth()
{
    m_zoom = Zoom::FitWidth;
    resizeSheet();
}

void PagedPreview::fitInView()
{
    m_zoom = Zoom::WholePage;
    resizeSheet();
}

void PagedPreview::zoomIn()
{
    m_factor = scale() * kZoomStep;
    m_zoom = Zoom::Factor;
    resizeSheet();
}

void PagedPreview::zoomOut()
{
    m_factor = std::max(0.02, scale() / kZoomStep);
    m_zoom = Zoom::Factor;
    resizeSheet();
}

const QImage &PagedPreview::pageImage()
{
    const double s = scale();
    const qreal ratio = devicePixelRatioF();
    const QSize size(qRound(m_paper.width() * s * ratio), qRound(m_paper.height() * s * ratio));
    const bool laidOut = m_page < pageCount();
    const int page = laidOut ? m_page : -1;
    if (m_image.size() == size && m_imagePage == page && m_imageGeneration == m_document.generation())
        return m_image;
    m_image = QImage(size, QImage::Format_RGB32);
    m_image.setDevicePixelRatio(ratio);
    m_image.fill(Qt::white);
    m_imagePage = page;
    m_imageGeneration = m_document.generation();
    QPainter painter(&m_image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    if (!laidOut) {
        painter.setPen(Qt::darkGray);
        painter.drawText(QRectF(QPointF(0, 0), m_image.deviceIndependentSize()), Qt::AlignCenter,
                         QStringLiteral("正在排版……"));
        return m_image;
    }
    painter.scale(s, s);
    painter.translate(m_origin);
    painter.setClipRect(QRectF(QPointF(0, 0), QSizeF(m_printer.width(), m_printer.height())));
    m_document.paintPage(painter, m_page);
    return m_image;
}
