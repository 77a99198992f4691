#include "common/printpreviewwindow.h"

#include "common/pagedpreview.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QPrintPreviewWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QHBoxLayout>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

QString pageOfPages(int page, int pages)
{
    return QStringLiteral(" 第 %1 / %2 页 ").arg(page).arg(pages);
}

} // namespace

PrintPreviewWindow::PrintPreviewWindow(QPrinter &printer, const QString &title, QWidget *parent)
    : QDialog(parent), m_pageNumber(new QLabel(this))
{
    auto *pages = new QPrintPreviewWidget(&printer, this);
    connect(pages, &QPrintPreviewWidget::paintRequested, this, &PrintPreviewWindow::paintRequested);
    m_showPageNumber = [this, pages] {
        m_pageNumber->setText(pageOfPages(pages->currentPage(), pages->pageCount()));
    };
    connect(pages, &QPrintPreviewWidget::previewChanged, this, m_showPageNumber);
    setWindowTitle(title);
    place(addTools(pages), pages);
}

PrintPreviewWindow::PrintPreviewWindow(PagedDocument &document, QPrinter &printer, const QString &title,
                                       QWidget *parent)
    : QDialog(parent), m_pageNumber(new QLabel(this))
{
    auto *pages = new PagedPreview(document, printer, this);
    setWindowTitle(title);
    QToolBar *tools = addTools(pages);
    // Under the pages while the rest is laid out: how far it is, and "取消".
    m_layingOut = new QWidget(this);
    auto *row = new QHBoxLayout(m_layingOut);
    row->setContentsMargins(8, 4, 8, 4);
    row->addWidget(new QLabel(QStringLiteral("正在排版打印页："), m_layingOut));
    m_progress = new QProgressBar(m_layingOut);
    m_progress->setObjectName(QStringLiteral("previewProgress"));
    row->addWidget(m_progress, 1);
    auto *cancel = new QPushButton(QStringLiteral("取消"), m_layingOut);
    cancel->setObjectName(QStringLiteral("previewCancel"));
    cancel->setToolTip(QStringLiteral("停止排版并关闭预览"));
    row->addWidget(cancel);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_progress->setRange(0, 1000);
    m_showPageNumber = [this, pages] {
        if (pages->isComplete()) {
            m_pageNumber->setText(pageOfPages(pages->currentPage(), pages->pageCount()));
            return;
        }
        // The count grows while the rest is laid out: only what is known is said.
        m_pageNumber->setText(QStringLiteral(" 第 %1 页（已排 %2 页） ").arg(pages->currentPage()).arg(pages->pageCount()));
        const qint64 total = std::max<qint64>(1, pages->stepsTotal());
        m_progress->setValue(int(std::min(total, pages->stepsDone()) * 1000 / total));
    };
    connect(pages, &PagedPreview::previewChanged, this, m_showPageNumber);
    connect(pages, &PagedPreview::laidOut, this, [this](bool failed) {
        if (failed) {
            reject();
            return;
        }
        m_layingOut->hide();
        m_showPageNumber();
    });
    m_showPageNumber();
    place(tools, pages);
    layout()->addWidget(m_layingOut);
}

template <class Pages>
QToolBar *PrintPreviewWindow::addTools(Pages *pages)
{
    setObjectName(QStringLiteral("printPreview"));
    m_pageNumber->setObjectName(QStringLiteral("previewPageNumber"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    pages->setObjectName(QStringLiteral("previewPages"));

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
    add(QStyle::SP_ArrowUp, QStringLiteral("上一页"), "previewPreviousPage",
        [this, pages] {
            pages->setCurrentPage(pages->currentPage() - 1);
            m_showPageNumber();
        });
    add(QStyle::SP_ArrowDown, QStringLiteral("下一页"), "previewNextPage",
        [this, pages] {
            pages->setCurrentPage(pages->currentPage() + 1);
            m_showPageNumber();
        });
    tools->addWidget(m_pageNumber);
    tools->addSeparator();
    add(QStyle::SP_FileDialogContentsView, QStringLiteral("适合宽度"), "previewFitWidth", [pages] { pages->fitToWidth(); });
    add(QStyle::SP_FileDialogDetailedView, QStringLiteral("整页"), "previewWholePage", [pages] { pages->fitInView(); });
    add(QStyle::SP_ArrowRight, QStringLiteral("放大"), "previewZoomIn", [pages] { pages->zoomIn(); });
    add(QStyle::SP_ArrowLeft, QStringLiteral("缩小"), "previewZoomOut", [pages] { pages->zoomOut(); });
    tools->addSeparator();
    add(QStyle::SP_DialogCloseButton, QStringLiteral("关闭"), "previewClose", [this] { reject(); });
    return tools;
}

void PrintPreviewWindow::place(QToolBar *tools, QWidget *pages)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tools);
    layout->addWidget(pages, 1);

    // As large as a page wants, within the screen.
    const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                           : QRect(0, 0, 1024, 768);
    resize(std::min(900, screen.width() * 9 / 10), screen.height() * 9 / 10);
}
