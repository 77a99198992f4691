#include "common/printpreviewwindow.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QPrintPreviewWidget>
#include <QScreen>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

PrintPreviewWindow::PrintPreviewWindow(QPrinter &printer, const QString &title, QWidget *parent)
    : QDialog(parent), m_pages(new QPrintPreviewWidget(&printer, this)), m_pageNumber(new QLabel(this))
{
    setObjectName(QStringLiteral("printPreview"));
    setWindowTitle(title);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    m_pages->setObjectName(QStringLiteral("previewPages"));
    connect(m_pages, &QPrintPreviewWidget::paintRequested, this, &PrintPreviewWindow::paintRequested);
    connect(m_pages, &QPrintPreviewWidget::previewChanged, this, &PrintPreviewWindow::showPageNumber);

    auto *tools = new QToolBar(this);
    tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto add = [&](QStyle::StandardPixmap icon, const QString &text, const char *name, auto slot) {
        QAction *action = tools->addAction(style()->standardIcon(icon), text);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add(QStyle::SP_DialogSaveButton, QStringLiteral("打印"), "previewPrint", [this] { accept(); })
        ->setShortcut(QKeySequence::Print);
    tools->addSeparator();
    add(QStyle::SP_ArrowUp, QStringLiteral("上一页"), "previewPreviousPage", [this] {
        m_pages->setCurrentPage(m_pages->currentPage() - 1);
        showPageNumber();
    });
    add(QStyle::SP_ArrowDown, QStringLiteral("下一页"), "previewNextPage", [this] {
        m_pages->setCurrentPage(m_pages->currentPage() + 1);
        showPageNumber();
    });
    tools->addWidget(m_pageNumber);
    tools->addSeparator();
    add(QStyle::SP_FileDialogContentsView, QStringLiteral("适合宽度"), "previewFitWidth",
        [this] { m_pages->fitToWidth(); });
    add(QStyle::SP_FileDialogDetailedView, QStringLiteral("整页"), "previewWholePage",
        [this] { m_pages->fitInView(); });
    add(QStyle::SP_ArrowRight, QStringLiteral("放大"), "previewZoomIn", [this] { m_pages->zoomIn(); });
    add(QStyle::SP_ArrowLeft, QStringLiteral("缩小"), "previewZoomOut", [this] { m_pages->zoomOut(); });
    tools->addSeparator();
    add(QStyle::SP_DialogCloseButton, QStringLiteral("关闭"), "previewClose", [this] { reject(); });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tools);
    layout->addWidget(m_pages, 1);

    // As large as a page wants, within the screen.
    const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                           : QRect(0, 0, 1024, 768);
    resize(std::min(900, screen.width() * 9 / 10), screen.height() * 9 / 10);
}

void PrintPreviewWindow::showPageNumber()
{
    m_pageNumber->setText(QStringLiteral(" 第 %1 / %2 页 ").arg(m_pages->currentPage()).arg(m_pages->pageCount()));
}
