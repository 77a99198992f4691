#include "app/helpwindow.h"

#include <QScreen>
#include <QShowEvent>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

HelpWindow::HelpWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Tchhform"));
    setWindowTitle(QStringLiteral("使用帮助"));
    resize(520, 420);
    auto *tabs = new QTabWidget(this);
    auto *page = new QTextBrowser;
    page->setHtml(QStringLiteral(
        "<h3>快速使用</h3><ol>"
        "<li>用“超级管理员”登录，初始密码 927。</li>"
        "<li>点“新建入库”填写商品名称、编码、类别、进货单价、数量和销售单价，按“新建入库”保存。</li>"
        "<li>在“商品名称：”里输入拼音首字母（例如 yf 查“衣服”），表格随输入即时筛选。</li>"
        "<li>双击表格中的商品开始销售：填写实际销售价或折扣、数量、客户，点“销售确认”。</li>"
        "<li>“单据打印”打开结账窗口：输入现金，打印小票或销售单。</li>"
        "<li>“销售明细”查看、修改和统计销售记录；“汇总统计”按商品汇总库存。</li>"
        "<li>定期用“数据备份”备份数据库。</li></ol>"));
    tabs->addTab(page, QStringLiteral("快速使用"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
}

void HelpWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    const QRect over = parentWidget() && parentWidget()->isVisible() ? parentWidget()->frameGeometry()
                       : screen()                                   ? screen()->availableGeometry()
                                                                    : QRect();
    if (over.isEmpty())
        return;
    QRect placed = frameGeometry();
    placed.moveCenter(over.center());
    if (screen()) {
        const QRect room = screen()->availableGeometry();
        placed.moveLeft(std::clamp(placed.left(), room.left(), std::max(room.left(), room.right() - placed.width())));
        placed.moveTop(std::clamp(placed.top(), room.top(), std::max(room.top(), room.bottom() - placed.height())));
    }
    move(placed.topLeft());
}
