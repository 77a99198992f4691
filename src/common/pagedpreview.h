#pragma once

#include <QImage>
#include <QScrollArea>
#include <QTimer>

class PagedDocument;
class QPrinter;

// The pages of a PagedDocument one at a time, as they print on the printer it was made for:
// laid out a slice at a time while the event loop runs, so the first page shows at once and the
// window stays alive; only the page in view is painted, at the size it is shown.
class PagedPreview : public QScrollArea {
    Q_OBJECT
    Q_PROPERTY(int pageCount READ pageCount)
    Q_PROPERTY(bool complete READ isComplete)
public:
    PagedPreview(PagedDocument &document, QPrinter &printer, QWidget *parent = nullptr);

    const PagedDocument &document() const { return m_document; }
    // The page shown, from 1, and the pages laid out whole so far (all once isComplete()).
    int currentPage() const { return m_page + 1; }
    void setCurrentPage(int page);
    int pageCount() const;
    bool isComplete() const;
    // `done` of `total` steps of the layout.
    qint64 stepsDone() const;
    qint64 stepsTotal() const;

    void fitToWidth();
    void fitInView();
    void zoomIn();
    void zoomOut();

signals:
    // The page shown, the pages laid out or the layout's progress changed.
    void previewChanged();
    // The layout ended: every page is there, or (failed) there is no whole print to show.
    void laidOut(bool failed);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    enum class Zoom { FitWidth, WholePage, Factor };
    class Sheet;

    void layOutSlice();
    // Screen pixels per device pixel of the printer at the present zoom.
    double scale() const;
    void resizeSheet();
    // The shown page as an image of the size it is shown at; a blank page while it is not laid out.
    const QImage &pageImage();

    PagedDocument &m_document;
    QPrinter &m_printer;
    QSizeF m_paper;      // the whole sheet, in device pixels
    QPointF m_origin;    // where the printable area begins on it
    Sheet *m_sheet;
    QTimer m_layOut;
    Zoom m_zoom = Zoom::FitWidth;
    double m_factor = 1;
    int m_page = 0;
    QImage m_image;           // the shown page as last painted
    int m_imagePage = -1;
    int m_imageGeneration = -1;
};
