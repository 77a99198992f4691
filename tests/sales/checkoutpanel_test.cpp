#include "sales/checkoutpanel.h"

#include "app/mainwindow.h"
#include "app/windowset.h"
#include "sales/receiptjob.h"
#include "sales/receiptsettingswindow.h"
#include "data/database.h"
#include "sales/thermalreceipt.h"
#include "support/escposprinters.h"
#include "support/pdftext.h"
#include "support/privatecups.h"
#include "support/testapp.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPageSize>
#include <QPushButton>
#include <QKeyEvent>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

// Stands in for the sale panel: holds the order number and moves it the way "+" and "-" do.
class TestOrder : public CurrentOrder {
public:
    explicit TestOrder(CheckoutPanel &panel) : m_panel(panel) {}
    QString numberText = QStringLiteral("20140729100");
    QString customer;
    int nextCalls = 0;
    int previousCalls = 0;

    QString number() const override { return numberText; }
    QString customerName() const override { return customer; }
    void next() override
    {
        ++nextCalls;
        move(1);
    }
    void previous() override
    {
        ++previousCalls;
        move(-1);
    }
    void startNew() override { next(); }

private:
    void move(int step)
    {
        const int counter = numberText.mid(8).toInt() + step;
        numberText = QStringLiteral("20140729%1").arg(counter, 3, 10, QLatin1Char('0'));
        m_panel.refresh();
        m_panel.setCash(QStringLiteral("0"));
    }
    CheckoutPanel &m_panel;
};

// The lines of the worked example's receipt (40 and 50.15 paid with 100 by 收银甲, the closing
// line edited to "谢谢光临"), blanks collapsed: what the page receipt and the receipt printer show.
QStringList exampleReceiptLines()
{
    return {QStringLiteral("POS小票销售单"), QStringLiteral("销售单号：20140729100"), QStringLiteral("收银员：收银甲"),
            QStringLiteral("打印时间：2014-07-29 10:30:00"), QStringLiteral("商品名称 数量 金额"),
            QStringLiteral("连衣裙 1 40"), QStringLiteral("一二三四五六七八九 1 50.15"), QStringLiteral("合计:90.15元"),
            QStringLiteral("现金:100.00元 找零:9.85元"), QStringLiteral("Tolvane进销存软件提供技术支持"),
            QStringLiteral("谢谢光临")};
}

class CheckoutPanelTest : public ::testing::Test {
protected:
    CheckoutPanelTest() : main(shop.windows()), panel(*main.checkoutPanel()), order(panel)
    {
        shop.logIn(QStringLiteral("收银甲"));
        panel.setOrder(&order);
    }

    void addLine(const QString &number, const QString &name, double quantity, double amount)
    {
        shop.exec(QStringLiteral("INSERT INTO data1 (a, z, [2], [3], [4]) VALUES (?, ?, ?, ?, ?)"),
                  {name, number, quantity == 0 ? 0 : amount / quantity, quantity, amount});
    }
    // The order of the worked example: 40 and 50.15.
    void addExampleOrder()
    {
        addLine(QStringLiteral("20140729100"), QStringLiteral("连衣裙"), 1, 40);
        addLine(QStringLiteral("20140729100"), QStringLiteral("一二三四五六七八九十"), 1, 50.15);
    }

    template <class W> W *field(const char *name) { return panel.findChild<W *>(QString::fromLatin1(name)); }
    QLineEdit *cash() { return field<QLineEdit>("cashField"); }
    QString total() { return field<QLineEdit>("totalField")->text(); }
    QString change() { return field<QLineEdit>("changeField")->text(); }
    QString footer(int column) { return field<QTableWidget>("orderFooter")->item(0, column)->text(); }
    int listedLines() { return field<QTableView>("orderLines")->model()->rowCount(); }
    void click(const char *button) { field<QPushButton>(button)->click(); }

    TestShop shop;
    MainWindow &main;
    CheckoutPanel &panel;
    TestOrder order;
};

} // namespace

TEST_F(CheckoutPanelTest, ListsExactlyTheLinesOfTheCurrentOrder)
{
    addExampleOrder();
    addLine(QStringLiteral("201407291000"), QStringLiteral("衬衫"), 2, 99);
    addLine(QStringLiteral("20140729099"), QStringLiteral("短裤"), 1, 30);
    order.customer = QStringLiteral("张三");

    panel.refresh(); // the panel is hidden: refresh works all the same
    ASSERT_FALSE(panel.isVisible());
    EXPECT_EQ(listedLines(), 2);
    EXPECT_EQ(field<QTableView>("orderLines")->model()->index(1, 4).data().toString(), QStringLiteral("50.15"));
    EXPECT_EQ(footer(0), QStringLiteral("销售单号："));
    EXPECT_EQ(footer(1), QStringLiteral("20140729100"));
    EXPECT_EQ(footer(2), QStringLiteral("2"));
    EXPECT_EQ(footer(4), QStringLiteral("90.15"));
    EXPECT_EQ(total(), QStringLiteral("90.15"));
    EXPECT_EQ(field<QLabel>("customerCaption")->text(), QStringLiteral("客户名称：张三"));

    // A number with blanks around it names the same order; one with a quote is just text.
    order.numberText = QStringLiteral(" 20140729100 ");
    panel.refresh();
    EXPECT_EQ(listedLines(), 2);
    order.numberText = QStringLiteral("2014'0729");
    panel.refresh();
    EXPECT_EQ(listedLines(), 0);
    EXPECT_EQ(total(), QStringLiteral("0"));
    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
}

TEST_F(CheckoutPanelTest, ChangeIsCashMinusTotalInFixedPoint)
{
    addExampleOrder();
    panel.refresh();
    const std::pair<const char *, const char *> cases[] = {
        {"100", "9.85"}, {"90.15", "0"}, {"80", "-10.15"}, {"100.005", "9.855"}, {"0.1", "-90.05"},
    };
    for (auto [typed, expected] : cases) {
        cash()->setText(QString::fromLatin1(typed));
        EXPECT_EQ(change(), QString::fromLatin1(expected)) << typed;
    }
    // Emptying the cash or typing a text that is not yet a number leaves the change alone.
    cash()->setText(QString());
    EXPECT_EQ(change(), QStringLiteral("-90.05"));
    cash()->setText(QStringLiteral("."));
    EXPECT_EQ(change(), QStringLiteral("-90.05"));
    EXPECT_TRUE(shop.messages.boxes.isEmpty());
    // Leaving the field with such a text says what is wrong.
    cash()->setText(QStringLiteral("1.2.3"));
    QFocusEvent leave(QEvent::FocusOut);
    QApplication::sendEvent(cash(), &leave);
    EXPECT_EQ(shop.messages.texts(), QStringList{QStringLiteral("现金：'1.2.3' 不是有效的数值")});
    EXPECT_EQ(change(), QStringLiteral("-90.05"));

    // A return lowers the total; the change follows a new total while the cash stays.
    cash()->setText(QStringLiteral("100"));
    addLine(QStringLiteral("20140729100"), QStringLiteral("退货"), -1, -100);
    panel.refresh();
    EXPECT_EQ(total(), QStringLiteral("-9.85"));
    EXPECT_EQ(change(), QStringLiteral("109.85"));
}

TEST_F(CheckoutPanelTest, CashFieldTakesOnlyDigitsAndPoint)
{
    cash()->clear();
    for (const char *key : {"1", "a", "2", "-", ".", "5", " "}) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromLatin1(key));
        QApplication::sendEvent(cash(), &press);
    }
    EXPECT_EQ(cash()->text(), QStringLiteral("12.5"));
}

TEST_F(CheckoutPanelTest, ReceiptIsRefusedWithoutSaleOrEnoughCash)
{
    struct Case {
        bool withLines;
        const char *cash;
        QString message;
    };
    const Case cases[] = {
        {false, "100", QStringLiteral("先进行销售")},
        {true, "", QStringLiteral("输入现金额")},
        {true, "80", QStringLiteral("现金不足")},
        {true, "90.14", QStringLiteral("现金不足")},
        {true, "1.2.3", QStringLiteral("现金：'1.2.3' 不是有效的数值")},
    };
    for (const Case &c : cases) {
        shop.exec(QStringLiteral("DELETE FROM data1"));
        if (c.withLines)
            addExampleOrder();
        panel.refresh();
        shop.messages.clear();
        cash()->setText(QString::fromLatin1(c.cash));
        click("posPrintButton");
        EXPECT_EQ(shop.messages.texts(), QStringList{c.message}) << c.cash;
    }
    EXPECT_TRUE(shop.printing.jobs.isEmpty());
    EXPECT_EQ(order.nextCalls, 0);
    EXPECT_EQ(order.numberText, QStringLiteral("20140729100"));
}

TEST_F(CheckoutPanelTest, ReceiptPrintsTheOrderAndMovesToTheNextNumber)
{
    addExampleOrder();
    addLine(QStringLiteral("201407291000"), QStringLiteral("衬衫"), 2, 99);
    panel.refresh();
    // An edited, unsaved closing line is what prints.
    shop.windowSet().receiptSettings->setText(QStringLiteral("pos4"), QStringLiteral("谢谢光临"));
    cash()->setText(QStringLiteral("100"));
    click("posPrintButton");

    ASSERT_EQ(shop.printing.jobs.size(), 1) << shop.messages.lastText().toStdString();
    const Printing::Job &job = shop.printing.jobs.first();
    EXPECT_EQ(job.resolution, 180);
    EXPECT_NEAR(job.layout.pageSize().size(QPageSize::Millimeter).height(), 250, 0.01);

    ASSERT_EQ(shop.printing.printedFiles.size(), 1);
    const QStringList text = pdfLines(shop.printing.printedFiles.first());
    for (const QString &expected : exampleReceiptLines())
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString() << "\n" << text.join('\n').toStdString();
    EXPECT_FALSE(text.join('\n').contains(QStringLiteral("衬衫")));
    EXPECT_EQ(text.count(QString(31, QLatin1Char('-'))), 6);

    EXPECT_TRUE(shop.messages.boxes.isEmpty());
    EXPECT_EQ(order.nextCalls, 1);
    EXPECT_EQ(order.numberText, QStringLiteral("20140729101"));
    EXPECT_EQ(listedLines(), 0);
    EXPECT_EQ(cash()->text(), QStringLiteral("0"));
}

// The receipt's total, the cash check and the change come from the lines the receipt lists, as
// they are stored when it prints, not from the last refresh; the panel shows them too.
TEST_F(CheckoutPanelTest, ReceiptTotalIsTheSumOfThePrintedLines)
{
    addLine(QStringLiteral("20140729100"), QStringLiteral("T恤"), 1, 59);
    panel.refresh();
    ASSERT_EQ(total(), QStringLiteral("59"));
    addLine(QStringLiteral("20140729100"), QStringLiteral("羽绒服"), 3, 1497); // stored after the refresh

    cash()->setText(QStringLiteral("100"));
    click("posPrintButton");
    EXPECT_EQ(shop.messages.texts(), QStringList{QStringLiteral("现金不足")});
    EXPECT_EQ(total(), QStringLiteral("1556"));
    EXPECT_EQ(change(), QStringLiteral("-1456"));
    EXPECT_EQ(listedLines(), 2);
    EXPECT_TRUE(shop.printing.jobs.isEmpty());
    EXPECT_EQ(order.nextCalls, 0);

    // A line taken away after the refresh is neither listed nor charged.
    shop.messages.clear();
    cash()->setText(QStringLiteral("2000"));
    shop.exec(QStringLiteral("DELETE FROM data1 WHERE a=?"), {QStringLiteral("T恤")});
    click("posPrintButton");
    ASSERT_EQ(shop.printing.printedFiles.size(), 1) << shop.messages.lastText().toStdString();
    const QStringList text = pdfLines(shop.printing.printedFiles.first());
    for (const QString &expected : {QStringLiteral("羽绒服 3 1497"), QStringLiteral("合计:1497元"),
                                    QStringLiteral("现金:2000.00元 找零:503.00元")})
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString() << "\n" << text.join('\n').toStdString();
    EXPECT_FALSE(text.join('\n').contains(QStringLiteral("T恤")));
    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
    EXPECT_EQ(order.nextCalls, 1);
}

// A sale and an equal return total 0: the exchange prints like any other order.
TEST_F(CheckoutPanelTest, AnExchangeTotallingZeroPrints)
{
    addLine(QStringLiteral("20140729100"), QStringLiteral("牛仔裤"), 1, 129);
    addLine(QStringLiteral("20140729100"), QStringLiteral("牛仔裤"), -1, -129);
    panel.refresh();
    ASSERT_EQ(total(), QStringLiteral("0"));
    cash()->setText(QStringLiteral("0"));
    click("posPrintButton");

    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
    ASSERT_EQ(shop.printing.printedFiles.size(), 1);
    const QStringList text = pdfLines(shop.printing.printedFiles.first());
    for (const QString &expected : {QStringLiteral("牛仔裤 1 129"), QStringLiteral("牛仔裤 -1 -129"),
                                    QStringLiteral("合计:0元"), QStringLiteral("现金:0.00元 找零:0.00元")})
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString() << "\n" << text.join('\n').toStdString();
    EXPECT_EQ(order.nextCalls, 1);
}

TEST_F(CheckoutPanelTest, PrinterErrorKeepsTheOrderNumber)
{
    addExampleOrder();
    panel.refresh();
    shop.printing.failWith = QStringLiteral("打印机出错：缺纸");
    cash()->setText(QStringLiteral("100"));
    click("posPrintButton");
    EXPECT_EQ(shop.messages.texts(), QStringList{QStringLiteral("小票没有打印：打印机出错：缺纸")});
    EXPECT_EQ(order.nextCalls, 0);
    EXPECT_EQ(listedLines(), 2);
    EXPECT_EQ(cash()->text(), QStringLiteral("100"));
}

// The same through the program's real printing and a real CUPS scheduler: a queue that refuses
// the job is reported and the order stays; a queue that takes it gets the whole receipt.
TEST_F(CheckoutPanelTest, PrinterQueueRefusingTheReceiptKeepsTheOrderNumber)
{
    PrivateCups cups;
    ASSERT_EQ(cups.error(), QString()) << "a CUPS scheduler of the test's own is needed";
    const QString output = cups.path(QStringLiteral("receipt.pdf"));
    ASSERT_EQ(cups.addQueue(QStringLiteral("小票机"), output), QString());
    ASSERT_EQ(cups.addQueue(QStringLiteral("停用"), cups.path(QStringLiteral("refused.pdf"))), QString());
    ASSERT_EQ(cups.admin(QStringLiteral("cupsreject"), {QStringLiteral("停用")}), QString());
    SystemPrinting printing(shop.desktop, shop.clock, shop.path(QStringLiteral("打印")));
    shop.printing.passTo = &printing;
    addExampleOrder();
    panel.refresh();
    cash()->setText(QStringLiteral("100"));

    cups.setDefaultPrinter(QStringLiteral("停用"));
    click("posPrintButton");
    ASSERT_EQ(shop.messages.boxes.size(), 1);
    EXPECT_EQ(shop.messages.boxes.first().kind, RecordingMessages::Kind::Error);
    EXPECT_TRUE(shop.messages.lastText().startsWith(QStringLiteral("小票没有打印：打印机 停用 不接受打印任务")))
        << shop.messages.lastText().toStdString();
    EXPECT_EQ(order.nextCalls, 0);
    EXPECT_EQ(order.numberText, QStringLiteral("20140729100"));
    EXPECT_EQ(listedLines(), 2);
    EXPECT_EQ(cash()->text(), QStringLiteral("100"));

    shop.messages.clear();
    cups.setDefaultPrinter(QStringLiteral("小票机"));
    click("posPrintButton");
    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
    EXPECT_EQ(order.numberText, QStringLiteral("20140729101"));
    const QStringList text = pdfLines(output);
    for (const QString &expected : {QStringLiteral("连衣裙 1 40"), QStringLiteral("合计:90.15元"),
                                    QStringLiteral("现金:100.00元 找零:9.85元")})
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString() << "\n" << text.join('\n').toStdString();
    EXPECT_FALSE(QFile::exists(cups.path(QStringLiteral("refused.pdf"))));
    EXPECT_TRUE(shop.desktop.opened.isEmpty());
}

// With no printer the receipt is saved as a PDF, the user is told where, and the order moves on.
TEST_F(CheckoutPanelTest, WithoutAPrinterTheUserIsToldWhereTheReceiptWent)
{
    CupsClientOverride noPrinters(shop.path(QStringLiteral("nothing-listens.sock")));
    SystemPrinting printing(shop.desktop, shop.clock, shop.path(QStringLiteral("打印")));
    shop.printing.passTo = &printing;
    const QString first = QDir(shop.path(QStringLiteral("打印"))).filePath(QStringLiteral("POS小票-20140729-103000.pdf"));
    const QString second =
        QDir(shop.path(QStringLiteral("打印"))).filePath(QStringLiteral("POS小票-20140729-103000-2.pdf"));

    addExampleOrder();
    panel.refresh();
    cash()->setText(QStringLiteral("100"));
    click("posPrintButton");
    EXPECT_EQ(shop.messages.texts(),
              QStringList{QStringLiteral("未找到打印机，小票已保存为：") + QDir::toNativeSeparators(first)});
    EXPECT_TRUE(pdfLines(first).contains(QStringLiteral("合计:90.15元")));
    EXPECT_EQ(order.numberText, QStringLiteral("20140729101"));

    // The next receipt in the same second gets a file of its own; one that cannot be opened says so.
    shop.messages.clear();
    shop.desktop.works = false;
    addLine(QStringLiteral("20140729101"), QStringLiteral("衬衫"), 2, 99);
    panel.refresh();
    cash()->setText(QStringLiteral("100"));
    click("posPrintButton");
    EXPECT_EQ(shop.messages.texts(), QStringList{QStringLiteral("未找到打印机，小票已保存为：") +
                                                 QDir::toNativeSeparators(second) +
                                                 QStringLiteral("\n无法打开此文件，请到该文件夹中查看。")});
    EXPECT_TRUE(pdfLines(first).contains(QStringLiteral("合计:90.15元")));
    EXPECT_TRUE(pdfLines(second).contains(QStringLiteral("合计:99元")));
    EXPECT_EQ(order.numberText, QStringLiteral("20140729102"));
}

TEST_F(CheckoutPanelTest, SalesNoteOfTheOrderAndTheNumberMovesOnOnceANoteIsMade)
{
    QStringList requested;
    QObject::connect(&panel, &CheckoutPanel::salesNoteRequested, [&](const QString &number) { requested << number; });
    click("notePrintButton"); // an empty order: refused, and its number stays (none is skipped)
    EXPECT_EQ(shop.messages.texts(), QStringList{QStringLiteral("先进行销售")});
    EXPECT_EQ(order.numberText, QStringLiteral("20140729100"));
    order.startNew();

    addLine(QStringLiteral("20140729101"), QStringLiteral("连衣裙"), 1, 40);
    panel.refresh();
    click("notePrintButton");
    EXPECT_EQ(requested, QStringList{QStringLiteral("20140729101")});
    EXPECT_EQ(order.numberText, QStringLiteral("20140729102"));
    EXPECT_EQ(shop.messages.boxes.size(), 1);
    EXPECT_TRUE(shop.printing.printedFiles.isEmpty()) << "a note is previewed, not printed";

    // An exchange: lines that total 0 are still an order with a note.
    addLine(QStringLiteral("20140729102"), QStringLiteral("连衣裙"), 1, 40);
    addLine(QStringLiteral("20140729102"), QStringLiteral("连衣裙"), -1, -40);
    panel.refresh();
    click("notePrintButton");
    EXPECT_EQ(requested.last(), QStringLiteral("20140729102"));
    EXPECT_EQ(shop.messages.boxes.size(), 1);
}

// The note follows the texts of the receipt settings window, saved or not, and an order with
// returns is a sale like any other.
TEST_F(CheckoutPanelTest, SalesNotePreviewsTheOrderWithTheReceiptSettingsTexts)
{
    shop.windowSet().receiptSettings->setText(QStringLiteral("dan1"), QStringLiteral("丽影服饰销售单"));
    addLine(QStringLiteral("20140729100"), QStringLiteral("连衣裙"), 1, 40);
    addLine(QStringLiteral("20140729100"), QStringLiteral("风衣"), -1, -60);
    panel.refresh();
    click("notePrintButton");

    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
    ASSERT_EQ(shop.printing.previewedFiles.size(), 1);
    const QString text = pdfText(shop.printing.previewedFiles.first());
    for (const char *expected : {"丽影服饰销售单", "单 号：20140729100", "连衣裙", "风衣", "（大写） 负贰拾元整", "￥-20",
                                 "制单人：收银甲"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
    EXPECT_EQ(order.numberText, QStringLiteral("20140729101"));
}

TEST_F(CheckoutPanelTest, ButtonsMoveBetweenOrdersAndClose)
{
    panel.show();
    click("nextOrderButton");
    click("nextOrderButton");
    click("previousOrderButton");
    EXPECT_EQ(order.nextCalls, 2);
    EXPECT_EQ(order.previousCalls, 1);
    EXPECT_EQ(footer(1), QStringLiteral("20140729101"));
    field<QToolButton>("closeButton")->click();
    EXPECT_FALSE(panel.isVisible());
}

// More lines than one paper length holds continue on a second page.
TEST(ReceiptJob, LongReceiptContinuesOnTheNextPage)
{
    QTemporaryDir dir;
    receipt::Content content;
    for (int i = 0; i < 60; ++i)
        content.items << receipt::Item{QStringLiteral("商品%1").arg(i), 1, 10};
    const QString file = dir.filePath(QStringLiteral("long.pdf"));
    ASSERT_EQ(SystemPrinting::printToPdf(receipt::job(receipt::lines(content), 80), file), QString());
    const QString text = pdfText(file);
    EXPECT_EQ(text.count(QLatin1Char('\f')), 2); // two pages
    for (int i = 0; i < 60; ++i)
        EXPECT_TRUE(text.contains(QStringLiteral("商品%1 ").arg(i))) << i;
}

// ---- On a thermal receipt printer ----

namespace {

class ReceiptPrinterCheckoutTest : public CheckoutPanelTest {
protected:
    void set(const char *name, const QString &value)
    {
        shop.windowSet().receiptSettings->setText(QString::fromLatin1(name), value);
    }
    void chooseNetworkPrinter(int port)
    {
        set("posprinter", QStringLiteral("thermal"));
        set("posport", QStringLiteral("network"));
        set("poshost", QStringLiteral("127.0.0.1"));
        set("posportno", QString::number(port));
    }
    void chooseDevice(const QString &path)
    {
        set("posprinter", QStringLiteral("thermal"));
        set("posport", QStringLiteral("usb"));
        set("posdevice", path);
    }
    void tickDrawer(bool ticked) { set("posdrawer", ticked ? QStringLiteral("yes") : QStringLiteral("no")); }
    QString standInDevice()
    {
        const QString path = shop.path(QStringLiteral("lp0"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        return path;
    }
    static QByteArray bytesOf(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    int drawerOpenings() { return shop.scalar(QStringLiteral("select count(*) from drawer_openings")).toInt(); }
    static QStringList simplified(const QStringList &lines)
    {
        QStringList list;
        for (const QString &line : lines)
            list << line.simplified();
        return list;
    }
};

} // namespace

// The receipt printer gets the receipt of the page printer as text: the same lines, the Chinese
// ones in GBK, the drawer opened before the cut and the opening recorded with the order number.
TEST_F(ReceiptPrinterCheckoutTest, NetworkPrinterGetsTheReceiptAndOpensTheDrawer)
{
    FakeNetworkPrinter printer;
    chooseNetworkPrinter(printer.port());
    tickDrawer(true);
    set("pos4", QStringLiteral("谢谢光临"));
    addExampleOrder();
    panel.refresh();
    cash()->setText(QStringLiteral("100"));
    click("posPrintButton");

    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
    const QByteArray bytes = printer.received();
    const EscposPrintout printout = EscposPrintout::decode(bytes);
    const QStringList printed = simplified(printout.lines);
    for (const QString &expected : exampleReceiptLines())
        EXPECT_TRUE(printed.contains(expected)) << expected.toStdString() << "\n" << printed.join('\n').toStdString();
    EXPECT_TRUE(printout.lines.contains(QStringLiteral("连衣裙") + QString(12, QLatin1Char(' ')) + QStringLiteral(" 1      40")));
    EXPECT_TRUE(bytes.contains(QByteArray("\xd2\xbb\xb6\xfe\xc8\xfd"))); // 一二三 in GBK
    EXPECT_EQ(printout.commands().mid(printout.commands().size() - 2),
              (QStringList{QStringLiteral("pulse 0 25 250"), QStringLiteral("cut")}));

    EXPECT_EQ(drawerOpenings(), 1);
    EXPECT_EQ(shop.scalar(QStringLiteral("select opened_at || ' ' || username || ' ' || z from drawer_openings")).toString(),
              QStringLiteral("2014-07-29 10:30:00 收银甲 20140729100"));
    EXPECT_TRUE(shop.printing.jobs.isEmpty()); // nothing went to the system's printer
    EXPECT_EQ(order.numberText, QStringLiteral("20140729101"));
}

// The pulse comes exactly when the box is ticked and cash was received; the paper width decides
// where a long line continues.
TEST_F(ReceiptPrinterCheckoutTest, DrawerOpensOnlyForCashWithTheBoxTicked)
{
    struct Case {
        bool ticked;
        const char *cash;
        bool exchange; // a sale and its return: total 0, paid with cash 0
        int paper;
        bool pulse;
    };
    const Case cases[] = {
        {true, "100", false, 58, true},
        {false, "100", false, 80, false},
        {true, "0", true, 80, false},
    };
    const QString device = standInDevice();
    chooseDevice(device);
    const QString slogan = QString(40, QChar(0x8863)); // 40 × 衣: 80 columns
    set("pos2", slogan);
    for (const Case &c : cases) {
        standInDevice();
        tickDrawer(c.ticked);
        set("poswidth", QString::number(c.paper));
        const int openings = drawerOpenings();
        if (c.exchange) {
            addLine(order.numberText, QStringLiteral("牛仔裤"), 1, 129);
            addLine(order.numberText, QStringLiteral("牛仔裤"), -1, -129);
        } else {
            addLine(order.numberText, QStringLiteral("连衣裙"), 1, 40);
        }
        panel.refresh();
        cash()->setText(QString::fromLatin1(c.cash));
        shop.messages.clear();
        click("posPrintButton");
        EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();

        const EscposPrintout printout = EscposPrintout::decode(bytesOf(device));
        const QStringList commands = printout.commands();
        ASSERT_FALSE(commands.isEmpty());
        EXPECT_EQ(commands.last(), QStringLiteral("cut"));
        EXPECT_EQ(commands.contains(QStringLiteral("pulse 0 25 250")), c.pulse) << commands.join(',').toStdString();
        if (c.pulse)
            EXPECT_EQ(commands.at(commands.size() - 2), QStringLiteral("pulse 0 25 250"));
        EXPECT_EQ(drawerOpenings(), openings + (c.pulse ? 1 : 0));
        const int perLine = c.paper == 80 ? 24 : 16; // Chinese characters on one line
        EXPECT_TRUE(printout.lines.contains(slogan.left(perLine))) << c.paper;
        EXPECT_TRUE(printout.lines.contains(slogan.mid(perLine, perLine))) << c.paper;
    }
    EXPECT_EQ(order.nextCalls, 3);
}

// A printer that is missing, refuses the connection or stops taking bytes is told by its cause;
// the order, its lines and the cash stay, the drawer is not recorded as opened, and the receipt
// prints once the printer works.
TEST_F(ReceiptPrinterCheckoutTest, PrinterFailuresKeepTheOrderAndTheReceiptPrintsAgain)
{
    const int refused = refusingPort();
    const QString pipePath = shop.path(QStringLiteral("stalled"));
    StalledDevice stalled(pipePath);
    ASSERT_TRUE(stalled.ready());
    struct Case {
        std::function<void()> choose;
        QString message; // the start of it
    };
    const Case cases[] = {
        {[&] { chooseDevice(QStringLiteral("/nonexistent/lp0")); },
         QStringLiteral("小票打印机没有连接：找不到设备 /nonexistent/lp0")},
        {[&] { chooseNetworkPrinter(refused); },
         QStringLiteral("小票打印机没有连接：127.0.0.1:%1 拒绝连接").arg(refused)},
        {[&] { chooseDevice(pipePath); },
         QStringLiteral("小票打印机没有连接：%1 在 0.3 秒内没有收完，小票只发出了 %2/").arg(pipePath).arg(stalled.capacity())},
    };
    panel.setPrinterTimeout(300);
    tickDrawer(true);
    const QString device = standInDevice();
    for (const Case &c : cases) {
        {
            // More than the stalled device's buffer holds.
            Transaction tx(shop.db);
            for (int i = 0; i < 200; ++i)
                addLine(order.numberText, QStringLiteral("连衣裙%1").arg(i), 1, 40);
            tx.commit();
        }
        const QString number = order.numberText;
        panel.refresh();
        cash()->setText(QStringLiteral("10000"));
        shop.messages.clear();
        c.choose();
        click("posPrintButton");
        ASSERT_EQ(shop.messages.boxes.size(), 1);
        EXPECT_EQ(shop.messages.boxes.first().kind, RecordingMessages::Kind::Error);
        EXPECT_TRUE(shop.messages.lastText().startsWith(c.message)) << shop.messages.lastText().toStdString();
        EXPECT_EQ(order.numberText, number);
        EXPECT_EQ(listedLines(), 200);
        EXPECT_EQ(cash()->text(), QStringLiteral("10000"));
        EXPECT_EQ(drawerOpenings(), 0);

        // Printed again on a printer that works.
        shop.messages.clear();
        standInDevice();
        chooseDevice(device);
        click("posPrintButton");
        EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
        const EscposPrintout printout = EscposPrintout::decode(bytesOf(device));
        EXPECT_TRUE(printout.lines.contains(QStringLiteral("销售单号：") + number));
        EXPECT_EQ(printout.commands().last(), QStringLiteral("cut"));
        EXPECT_EQ(drawerOpenings(), 1);
        EXPECT_NE(order.numberText, number);
        shop.exec(QStringLiteral("DELETE FROM drawer_openings"));
    }
}
