#pragma once

#include <QDialog>

class QLabel;
class QPrintPreviewWidget;
class QPrinter;

// The pages of a job as they will print, with Chinese controls: page through, zoom, "打印" and
// "关闭". "打印" closes the window accepted and leaves the printing to the caller, which sends the
// job the program's own way (the default printer's queue, or a PDF file of its own when there is
// no printer) instead of through a print dialog.
class PrintPreviewWindow : public QDialog {
    Q_OBJECT
public:
    PrintPreviewWindow(QPrinter &printer, const QString &title, QWidget *parent = nullptr);

signals:
    // The pages are wanted (again): paint them on `printer`.
    void paintRequested(QPrinter *printer);

private:
    void showPageNumber();

    QPrintPreviewWidget *m_pages;
    QLabel *m_pageNumber;
};
