#include "app/mainwindow.h"

#include "app/hintfilter.h"
#include "app/settings.h"
#include "app/version.h"
#include "app/windowset.h"
#include "common/appcontext.h"
#include "common/clock.h"
#include "common/guard.h"
#include "data/datamodule.h"
#include "data/database.h"
#include "data/routines.h"
#include "sales/checkoutpanel.h"
#include "sales/receiptsettingswindow.h"
#include "sales/salepanel.h"
#include "sales/salesdetailswindow.h"
#include "stock/stockinpanel.h"
#include "users/logindialog.h"
#include "widgets/dateedit.h"
#include "widgets/successprompt.h"

#include <QCloseEvent>
#include <QLabel>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>

MainWindow::MainWindow(AppContext &ctx) : m_ctx(ctx)
{
    setObjectName(QStringLiteral("TMainForm"));
    setWindowTitle(QStringLiteral("%1 %2").arg(QString::fromUtf8(version::kTitle), QString::fromUtf8(version::kVersion)));
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
}

void MainWindow::firstShow()
{
    if (m_firstShown)
        return;
    m_firstShown = true;
    guarded(m_ctx.messages, [&] {
        if (m_windows)
            m_windows->salesDetails->loadThisMonth();
        m_ctx.data.openTables();
    });
    m_stockIn->hide();
    HintFilter::install(m_status[0]);
    const QDate today = m_ctx.clock.today();
    m_stockIn->dateField()->setDate(today);
    m_sale->saleDateField()->setDate(today);
    readSettings();
    m_status[2]->setText(QStringLiteral("今天：") + datetext::date(today));
    if (m_windows)
        m_windows->receiptSettings->loadFromSettings();
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
    const int counter = danhao.toInt(&ok);
    if (ok)
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
    if (m_loginShowing || m_ctx.session.loginNumber != 0 || !m_windows || m_closed)
        return;
    m_loginShowing = true;
    m_windows->login->exec();
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
        m_ctx.settings.write(QStringLiteral("riqi"), m_sale->saleDateField()->dateText());
    }
    event->accept();
}
