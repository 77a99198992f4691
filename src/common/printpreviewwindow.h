#pragma once

#include <QDialog>
#include <functional>

class PagedDocument;
class QLabel;
class QPrinter;
class QProgressBar;
class QToolBar;

// The pages of a job as they will print, with Chinese controls: page through, zoom, "打印" and
// "关闭". "打印" closes the window accepted and leaves the printing to the caller, which sends the
// job the program's own way (the default printer's queue, or a PDF file of its own when there is
// no printer) instead of through a print dialog.
class PrintPreviewWindow : public QDialog {
    Q_OBJECT
public:
    // A job painted in one go: its pages are painted (again) when wanted, see paintRequested.
    PrintPreviewWindow(QPrinter &printer, const QString &title, QWidget *parent = nullptr);
    // A document laid out while the window shows: its first page shows as soon as it is laid out,
    // the progress of the rest beside "取消", which stops the layout and closes the window. The
    // window closes by itself when the document cannot be laid out whole.
    PrintPreviewWindow(PagedDocument &document, QPrinter &printer, const QString &title, QWidget *parent = nullptr);

signals:
    // The pages are wanted (again): paint them on `printer`.
    void paintRequested(QPrinter *printer);

private:
    // The tool bar over `pages`, a QPrintPreviewWidget or a PagedPreview.
    template <class Pages>
    QToolBar *addTools(Pages *pages);
    void place(QToolBar *tools, QWidget *pages);

    QLabel *m_pageNumber;
    std::function<void()> m_showPageNumber;
    QWidget *m_layingOut = nullptr; // the progress and "取消"
    QProgressBar *m_progress = nullptr;
};
