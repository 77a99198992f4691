#include "app/mainwindow.h"

#include "app/hintfilter.h"
#include "app/shellcommands.h"
#include "app/skins.h"
#include "app/toolbaricons.h"
#include "common/appcontext.h"
#include "common/clock.h"
#include "common/guard.h"
#include "common/settings.h"
#include "common/version.h"
#include "data/database.h"
#include "data/datamodule.h"
#include "data/routines.h"
#include "sales/checkoutpanel.h"
#include "sales/salepanel.h"
#include "stock/stockinpanel.h"
#include "stock/stockqueryview.h"
#include "widgets/dateedit.h"
#include "widgets/successprompt.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QScreen>
#include <QToolButton>
#include <QLabel>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>
#include <QWidgetAction>

MainWindow::MainWindow(AppContext &ctx) : m_ctx(ctx)
{
    setObjectName(QStringLiteral("TMainForm"));
    setWindowTitle(version::caption());
    setFixedSize(kClientWidth, kClientHeight);

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("central"));
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_gridArea = new QWidget(central);
    m_gridArea->setObjectName(QStringLiteral("gridArea"));
    m_gridArea->setLayout(new QVBoxLayout);
    m_gridArea->layout()->setContentsMargins(0, 0, 0, 0);
    m_lowerArea = new QWidget(central);
    m_lowerArea->setObjectName(QStringLiteral("lowerArea"));
    auto *lower = new QHBoxLayout(m_lowerArea);
    lower->setContentsMargins(4, 4, 4, 4);
    m_queryArea = new QWidget(m_lowerArea);
    m_queryArea->setObjectName(QStringLiteral("queryArea"));
    m_queryArea->setLayout(new QVBoxLayout);
    m_queryArea->layout()->setContentsMargins(0, 0, 0, 0);
    lower->addWidget(m_queryArea, 1);
    layout->addWidget(m_gridArea);
    layout->addWidget(m_lowerArea, 1);
    setCentralWidget(central);

    // The floating panels lie over the grid and are hidden until used.
    m_stockIn = new StockInPanel(ctx, central);
    m_sale = new SalePanel(ctx, central);
    m_checkout = new CheckoutPanel(ctx, central);
    for (QWidget *panel : {static_cast<QWidget *>(m_stockIn), static_cast<QWidget *>(m_sale),
                           static_cast<QWidget *>(m_checkout)})
        panel->hide();
    m_prompt = new SuccessPrompt(central);

    buildStatusBar();
    buildMenus();
    buildToolbar();
    m_stockQuery = new StockQueryView(ctx, m_gridArea, m_queryArea, m_gridMenu, this);
    connectCommands();

    m_refillTimer.setInterval(500);
    connect(&m_refillTimer, &QTimer::timeout, this, &MainWindow::refillEmptyDates);
    m_refillTimer.start();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildStatusBar()
{
    const int widths[4] = {350, 200, 200, 300};
    const Qt::Alignment aligns[4] = {Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignCenter, Qt::AlignCenter,
                                     Qt::AlignRight | Qt::AlignVCenter};
    for (int i = 0; i < 4; ++i) {
        m_status[i] = new QLabel(this);
        m_status[i]->setObjectName(QStringLiteral("statusPanel%1").arg(i + 1));
        m_status[i]->setFixedWidth(widths[i]);
        m_status[i]->setAlignment(aligns[i]);
        m_status[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        statusBar()->addWidget(m_status[i]);
    }
    m_status[1]->setText(QStringLiteral("操作员："));
    m_status[3]->setText(QString::fromUtf8(version::kWebAddress));
}

void MainWindow::showSuccess(const QString &text)
{
    m_prompt->show(text);
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_firstShown)
        firstShow();
    // Without a window manager the window is never activated; the gate must still close it off.
    if (m_loginGate && m_ctx.session.loginNumber == 0 && !event->spontaneous())
        QTimer::singleShot(0, this, &MainWindow::runLoginGate);
}

void MainWindow::firstShow()
{
    if (m_firstShown)
        return;
    m_firstShown = true;
    if (QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - frameGeometry().center() + pos());
    emit firstShowing();
    guarded(m_ctx.messages, [&] { m_ctx.data.openTables(); });
    m_stockIn->hide();
    HintFilter::install(m_status[0]);
    const QDate today = m_ctx.clock.today();
    m_stockIn->dateField()->setDate(today);
    readSettings();
    m_sale->startDay(m_restored.orderCounter, m_restored.storedSaleDate);
    if (m_restored.skin >= 0) {
        skins::apply(m_restored.skin);
        markSkin(m_restored.skin);
    }
    m_stockQuery->prepareFirstShow(today, m_restored.alarmNumber);
    m_status[2]->setText(QStringLiteral("今天：") + datetext::date(today));
}

void MainWindow::readSettings()
{
    if (!m_ctx.settings.exists())
        return;
    bool ok = false;
    const QString skin = m_ctx.settings.read(QStringLiteral("skin"));
    const int skinIndex = skin.toInt(&ok);
    if (ok && skinIndex >= 0 && skinIndex <= 4)
        m_restored.skin = skinIndex;
    const QString number = m_ctx.settings.read(QStringLiteral("number"));
    if (!number.isEmpty())
        m_restored.alarmNumber = number;
    const QString danhao = m_ctx.settings.read(QStringLiteral("danhao"));
    const long long counter = danhao.toLongLong(&ok);
    // A counter that no real shop reaches is taken for a damaged value; the order numbers then
    // go on from those already stored.
    if (ok && counter >= 0 && counter < kLargestOrderCounter)
        m_restored.orderCounter = counter + 1;
    const QString riqi = m_ctx.settings.read(QStringLiteral("riqi"));
    if (!riqi.isEmpty())
        m_restored.storedSaleDate = riqi;
}

void MainWindow::refillEmptyDates()
{
    const QDate today = m_ctx.clock.today();
    for (DateEdit *field : {m_sale->saleDateField(), m_stockIn->dateField()}) {
        if (field->isBlank())
            field->setDate(today);
    }
}

bool MainWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && m_loginGate && m_ctx.session.loginNumber == 0 &&
        !m_loginShowing && !m_closed)
        QTimer::singleShot(0, this, &MainWindow::runLoginGate);
    return QMainWindow::event(event);
}

void MainWindow::runLoginGate()
{
    if (m_loginShowing || m_ctx.session.loginNumber != 0 || m_closed)
        return;
    // A box that waits for an answer (about the database file, say) is answered first: the login
    // window opened over it would cover it and take the input it waits for.
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(100, this, &MainWindow::runLoginGate);
        return;
    }
    m_loginShowing = true;
    emit loginRequested();
    m_loginShowing = false;
    if (m_ctx.session.loginNumber == 0)
        close();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight);
    m_gridArea->setFixedHeight(std::max(0, height() + titleBar - 196));
}

void MainWindow::recordLogout()
{
    if (m_ctx.session.loginNumber != 0) {
        routines::execute(m_ctx.data.workQuery, Statement(QStringLiteral("update rz set jtime=? where id=?"),
                                               {datetext::dateTime(m_ctx.clock.now()), m_ctx.session.loginNumber}));
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_closed) {
        m_closed = true;
        m_ctx.data.closeTables();
        guarded(m_ctx.messages, [&] { recordLogout(); });
        storeSetting(m_ctx.settings, m_ctx.messages, QStringLiteral("riqi"), m_sale->saleDateField()->dateText());
    }
    event->accept();
}

void MainWindow::buildMenus()
{
    auto add = [](QMenu *menu, const QString &text, const QKeySequence &shortcut = {}) {
        QAction *a = menu->addAction(text);
        if (!shortcut.isEmpty())
            a->setShortcut(shortcut);
        return a;
    };
    m_gridMenu = new QMenu(this);
    m_gridMenu->setObjectName(QStringLiteral("gridMenu"));
    MainActions &a = m_actions;
    a.newStockIn = add(m_gridMenu, QStringLiteral("新建入库"));
    // Stock rows from a workbook, beside the command that enters them one by one.
    a.excelImport = add(m_gridMenu, QStringLiteral("Excel导入"));
    a.modify = add(m_gridMenu, QStringLiteral("修 改"));
    a.remove = add(m_gridMenu, QStringLiteral("删 除"));
    a.allRecords = add(m_gridMenu, QStringLiteral("全部记录"));
    m_gridMenu->addSeparator();
    a.exportExcel = add(m_gridMenu, QStringLiteral("导出Excel"), QKeySequence(QStringLiteral("Ctrl+E")));
    a.print = add(m_gridMenu, QStringLiteral("打 印"), QKeySequence(QStringLiteral("Ctrl+D")));
    a.hangTags = add(m_gridMenu, QStringLiteral("打印条码标签"));
    a.salesDetails = add(m_gridMenu, QStringLiteral("销售明细"));
    a.summary = add(m_gridMenu, QStringLiteral("汇总统计"), QKeySequence(QStringLiteral("Ctrl+H")));
    m_gridMenu->addSeparator();
    a.hideColumns = m_gridMenu->addMenu(QStringLiteral("隐藏列"));
    a.loadLayout = add(m_gridMenu, QStringLiteral("读取列宽"));
    a.loadLayout->setVisible(false);
    a.saveLayout = add(m_gridMenu, QStringLiteral("保存当前列宽"));
    m_gridMenu->addSeparator();
    a.receiptPrint = add(m_gridMenu, QStringLiteral("销售单(小票)打印"));
    a.printSettings = add(m_gridMenu, QStringLiteral("打印设置"));
    // Shortcuts of the pop-up menu work while the main window is active.
    addActions(m_gridMenu->actions());

    m_settingsMenu = new QMenu(this);
    m_settingsMenu->setObjectName(QStringLiteral("settingsMenu"));
    a.settingsPrint = add(m_settingsMenu, QStringLiteral("打印设置"));
    a.openDrawer = add(m_settingsMenu, QStringLiteral("打开钱箱"));
    a.drawerLog = add(m_settingsMenu, QStringLiteral("钱箱记录"));
    a.changePassword = add(m_settingsMenu, QStringLiteral("修改密码"));
    a.userManagement = add(m_settingsMenu, QStringLiteral("用户管理"));
    m_settingsMenu->addSeparator();
    // Where this till keeps the shop, and moving the shop between its file and a server.
    a.databaseConnection = add(m_settingsMenu, QStringLiteral("数据库连接"));
    a.migrateToServer = add(m_settingsMenu, QStringLiteral("迁移到服务器"));
    a.exportToFile = add(m_settingsMenu, QStringLiteral("导出到数据文件"));
    a.migrateToServer->setEnabled(!m_ctx.db.onServer());
    a.exportToFile->setEnabled(m_ctx.db.onServer());
    m_settingsMenu->addSeparator();
    a.skins = m_settingsMenu->addMenu(QStringLiteral("界面换肤"));
    // The skin in use carries the tick; the built-in look has no item and shows none.
    auto *skinChoice = new QActionGroup(a.skins);
    for (const QString &skin : skins::names()) {
        QAction *item = a.skins->addAction(skin);
        item->setCheckable(true);
        skinChoice->addAction(item);
    }
    a.calculator = add(m_settingsMenu, QStringLiteral("计算器"));
    a.notepad = add(m_settingsMenu, QStringLiteral("记事本"));

    m_supportMenu = new QMenu(this);
    m_supportMenu->setObjectName(QStringLiteral("supportMenu"));
    a.help = add(m_supportMenu, QStringLiteral("使用帮助"));
    a.upgrade = add(m_supportMenu, QStringLiteral("软件升级"));
    a.website = add(m_supportMenu, QStringLiteral("官方网站"));
    // The contact line is there to be read: a label, which a click does not close.
    auto *contact = new QWidgetAction(m_supportMenu);
    auto *contactLine = new QLabel(QString::fromUtf8(version::kContact));
    contactLine->setObjectName(QStringLiteral("contactLine"));
    contactLine->setContentsMargins(28, 4, 12, 4);
    contact->setDefaultWidget(contactLine);
    contact->setText(contactLine->text());
    m_supportMenu->addAction(contact);
    a.contact = contact;
    a.about = add(m_supportMenu, QStringLiteral("关于..."));
}

void MainWindow::buildToolbar()
{
    auto *bar = new QWidget(m_lowerArea);
    bar->setObjectName(QStringLiteral("toolbar"));
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    // Caption, icon of the freedesktop theme, the program's own drawing, hint in the status bar.
    auto button = [&](const QString &text, const char *themeIcon, const char *drawing, const QString &hint) {
        auto *b = new QToolButton(bar);
        b->setText(text);
        b->setIcon(toolbaricons::icon(QString::fromLatin1(themeIcon), QString::fromLatin1(drawing)));
        b->setIconSize(QSize(32, 32));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setFixedSize(55, 51);
        b->setAutoRaise(true);
        b->setToolTip(hint);
        layout->addWidget(b);
        return b;
    };
    MainToolbar &t = m_toolbar;
    t.newStockIn = button(QStringLiteral("新建入库"), "document-new", ":/toolbar/stockin.svg",
                          QStringLiteral("录入一批新进的商品"));
    t.salesDetails = button(QStringLiteral("销售明细"), "x-office-spreadsheet", ":/toolbar/salesdetails.svg",
                            QStringLiteral("查看、更正和统计销售记录"));
    t.checkout = button(QStringLiteral("单据打印"), "document-print", ":/toolbar/receipt.svg",
                        QStringLiteral("打开或关闭结账窗口，打印小票或销售单"));
    t.summary = button(QStringLiteral("汇总统计"), "x-office-presentation", ":/toolbar/summary.svg",
                       QStringLiteral("按商品汇总进货、销售和库存"));
    t.backup = button(QStringLiteral("数据备份"), "document-save", ":/toolbar/backup.svg",
                      QStringLiteral("备份或恢复数据库"));
    t.settings = button(QStringLiteral("设 置"), "preferences-system", ":/toolbar/settings.svg",
                        QStringLiteral("打印设置、钱箱、修改密码、用户管理、界面换肤、计算器和记事本"));
    t.support = button(QStringLiteral("技术支持"), "help-browser", ":/toolbar/support.svg",
                       QStringLiteral("使用帮助、软件升级、官方网站和关于本软件"));
    connect(t.settings, &QToolButton::clicked, this, [this] { dropDown(m_settingsMenu, m_toolbar.settings); });
    connect(t.support, &QToolButton::clicked, this, [this] { dropDown(m_supportMenu, m_toolbar.support); });
    static_cast<QHBoxLayout *>(m_lowerArea->layout())->addWidget(bar, 0, Qt::AlignBottom);
}

void MainWindow::dropDown(QMenu *menu, QToolButton *button)
{
    menu->popup(button->mapToGlobal(QPoint(0, button->height())));
}

void MainWindow::chooseSkin(int index)
{
    skins::apply(index);
    markSkin(index);
    storeSetting(m_ctx.settings, m_ctx.messages, QStringLiteral("skin"), QString::number(index));
}

void MainWindow::markSkin(int index)
{
    const QList<QAction *> items = m_actions.skins->actions();
    if (index >= 0 && index < items.size())
        items[index]->setChecked(true);
}

void MainWindow::connectCommands()
{
    const MainActions &a = m_actions;
    const QList<QAction *> skinItems = a.skins->actions();
    for (int i = 0; i < skinItems.size(); ++i)
        connect(skinItems[i], &QAction::triggered, this, [this, i] { chooseSkin(i); });
    connect(a.calculator, &QAction::triggered, this, [this] { shellcommands::startCalculator(m_ctx.desktop, m_ctx.messages); });
    connect(a.notepad, &QAction::triggered, this, [this] { shellcommands::startTextEditor(m_ctx.desktop, m_ctx.messages); });
    connect(a.website, &QAction::triggered, this, [this] { shellcommands::openWebsite(m_ctx.desktop, m_ctx.messages); });
    connect(a.upgrade, &QAction::triggered, this,
            [this] { shellcommands::showUpgradeInfo(m_ctx.messages, m_ctx.desktop); });
    connect(a.saveLayout, &QAction::triggered, this, [this] {
        if (m_stockQuery->saveLayout())
            showSuccess(QStringLiteral("当前列宽已保存..."));
    });
    connect(a.loadLayout, &QAction::triggered, m_stockQuery, &StockQueryView::restoreLayout);
    connect(a.allRecords, &QAction::triggered, this, [this] { guarded(m_ctx.messages, [&] { m_stockQuery->refreshAll(); }); });
    connect(m_toolbar.newStockIn, &QToolButton::clicked, a.newStockIn, &QAction::trigger);
    connect(a.receiptPrint, &QAction::triggered, m_toolbar.checkout, &QToolButton::click);
}
