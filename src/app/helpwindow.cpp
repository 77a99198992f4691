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
    resize(600, 500);
    auto *tabs = new QTabWidget(this);
    auto *page = new QTextBrowser;
    page->setObjectName(QStringLiteral("quickStart"));
    page->setOpenLinks(false);
    page->setHtml(QStringLiteral(
        "<h3>开始使用</h3><ol>"
        "<li>用“超级管理员”登录，初始密码 927。登录后请在“设 置 → 修改密码”里换一个自己的密码，"
        "并在“用户管理”里为每位店员建立用户。店员登录后看不到进货价、利润等信息，也不能修改入库记录。</li>"
        "</ol>"
        "<h3>入库</h3><ol>"
        "<li>点工具栏“新建入库”（或在表格上点右键选“新建入库”），填写商品名称、规格型号、编码、类别、"
        "进货单价、数量、销售单价和供货商，再点窗口里的“新建入库”保存。名称和型号的拼音首字母自动生成。</li>"
        "<li>录错的记录：先在表格中点选这一行，再点右键选“修 改”或“删 除”。</li>"
        "<li>窗口可以按住空白处拖到任意位置，不挡住要看的商品。</li>"
        "</ol>"
        "<h3>查询</h3><ol>"
        "<li>在“商品名称：”里输入拼音首字母，例如 nzk 查“牛仔裤”，表格随输入即时筛选；"
        "其他条件填好后点“查询”，点“全部记录”重新列出全部商品。</li>"
        "<li>库存少于“库存报警数量”的商品以红色显示；勾选“不显示零库存”可隐藏已经卖完的商品。</li>"
        "<li>点列标题按这一列排序。拖动列的边线可调整列宽，右键选“保存当前列宽”后，下次登录自动恢复；"
        "右键“隐藏列”可以隐藏进货单价、金额等列。</li>"
        "</ol>"
        "<h3>销售与收银</h3><ol>"
        "<li>双击表格中的商品开始销售：填写实际销售价或折扣、数量和客户，点“销售确认”。"
        "同一位顾客的多件商品可以连续记在同一张销售单里。</li>"
        "<li>点“单据打印”打开结账窗口：输入收到的现金即显示找零，“POS小票打印”打印小票，"
        "“销售单打印”打印带大写金额的销售单。小票和销售单上的店名、地址、广告语在“设 置 → 打印设置”里修改。</li>"
        "<li>接有58或80毫米小票打印机时，在“打印设置”的“小票打印机设置”里选择“小票打印机”和它的连接方式；"
        "勾选“打开钱箱”后，收到现金的小票打印时钱箱自动弹开。超级管理员可在“设 置”里“打开钱箱”找零，"
        "并在“钱箱记录”里查看每一次开箱。</li>"
        "</ol>"
        "<h3>统计与报表</h3><ol>"
        "<li>“销售明细”按月份、条件或单号查看销售记录，可以更正或删除记录（库存随之退回），并查看利润图表。</li>"
        "<li>“汇总统计”按商品汇总进货、销售和库存。</li>"
        "<li>在表格上点右键：“导出Excel”（Ctrl+E）把表格存成 Excel 文件，“打 印”（Ctrl+D）打印预览，"
        "“汇总统计”（Ctrl+H）打开汇总窗口而不挡住主窗口。</li>"
        "</ol>"
        "<h3>数据安全与其他</h3><ol>"
        "<li>请经常点“数据备份”把数据库备份到U盘或其他电脑；数据出问题时在同一窗口恢复。</li>"
        "<li>“设 置 → 界面换肤”更换界面颜色，下次启动保持不变；“计算器”和“记事本”打开电脑上的这两个工具。</li>"
        "<li>新版本的消息见“技术支持 → 软件升级”和“官方网站”。</li>"
        "</ol>"));
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
