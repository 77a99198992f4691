#include "sales/salepanel.h"

#include "app/mainwindow.h"
#include "app/windowset.h"
#include "users/logindialog.h"
#include "sales/checkoutpanel.h"
#include "stock/stockqueryview.h"
#include "support/testapp.h"
#include "widgets/ondemandcombobox.h"
#include "widgets/dateedit.h"
#include "widgets/numberedit.h"
#include "widgets/numberspinbox.h"
#include "widgets/successprompt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTableView>
#include <gtest/gtest.h>

namespace {

using Kind = RecordingMessages::Kind;

// The main window over a shop with two stock rows in the main grid: row 0 jeans (stock 5),
// row 1 a shirt (list price 59, stock 3). Sale lines already posted can be added with addLine.
class SalePanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        jeans = shop.addStockRow({{"a", QStringLiteral("牛仔裤")}, {"b", QStringLiteral("XL")}, {"c", QStringLiteral("NZ01")},
                                  {"d", QStringLiteral("裤子")}, {"1", 10.5}, {"2", 5.0}, {"4", 20.0}, {"5", 0.0},
                                  {"6", 0.0}, {"7", 5.0}, {"8", 52.5}, {"day1", QStringLiteral("2014-07-01")}});
        shirt = shop.addStockRow({{"a", QStringLiteral("衬衫")}, {"b", QStringLiteral("M")}, {"c", QStringLiteral("CS02")},
                                  {"d", QStringLiteral("上衣")}, {"1", 30.0}, {"2", 3.0}, {"4", 59.0}, {"5", 0.0},
                                  {"6", 0.0}, {"7", 3.0}, {"8", 90.0}, {"day1", QStringLiteral("2014-07-02")}});
    }

    // Opens the main window (after the test has put what it needs into the settings).
    MainWindow &open()
    {
        main = &shop.windows();
        panel = main->salePanel();
        loadGrid();
        return *main;
    }
    void loadGrid() { shop.data.stockQuery.open(Statement("select * from data order by ID")); }
    // A double-click on a grid row: Qt reports the click first.
    void doubleClick(int row)
    {
        emit main->stockQuery()->rowClicked(row);
        emit main->stockQuery()->rowDoubleClicked(row);
    }
    void addLine(const QString &order, const QString &customer, const QString &address, const QString &contact,
                 const QString &remark)
    {
        shop.exec("insert into data1 (a, z, g, h, i, j) values ('旧货', ?, ?, ?, ?, ?)",
                  {order, customer, address, contact, remark});
    }

    template <class T = QLineEdit>
    T *field(const char *name) const
    {
        T *w = panel->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            ADD_FAILURE() << "no field " << name;
        return w;
    }
    QString text(const char *name) const { return routines_text(panel->findChild<QWidget *>(QString::fromLatin1(name))); }
    static QString routines_text(QWidget *w)
    {
        if (auto *e = qobject_cast<QLineEdit *>(w))
            return e->text();
        if (auto *c = qobject_cast<QComboBox *>(w))
            return c->currentText();
        if (auto *s = qobject_cast<QAbstractSpinBox *>(w))
            return s->text();
        return QStringLiteral("<no field>");
    }
    // Types into a field as the user would (a combo box counts it as the user's change).
    void type(const char *name, const QString &value)
    {
        QWidget *w = panel->findChild<QWidget *>(QString::fromLatin1(name));
        ASSERT_TRUE(w) << name;
        if (auto *e = qobject_cast<QLineEdit *>(w))
            e->setText(value);
        else if (auto *c = qobject_cast<QComboBox *>(w))
            c->setEditText(value);
        else if (auto *s = qobject_cast<NumberSpinBox *>(w))
            s->setText(value);
    }
    void click(const char *name) { field<QAbstractButton>(name)->click(); }
    QVariant stock(long long key, const char *column)
    {
        return shop.scalar(QStringLiteral("select [%1] from data where ID=?").arg(QLatin1String(column)), {key});
    }
    int lineCount() { return shop.scalar("select count(*) from data1").toInt(); }
    int checkoutLines() { return main->checkoutPanel()->findChild<QTableView *>("orderLines")->model()->rowCount(); }
    QString checkoutCash() { return main->checkoutPanel()->findChild<QLineEdit *>("cashField")->text(); }

    TestShop shop;
    MainWindow *main = nullptr;
    SalePanel *panel = nullptr;
    long long jeans = 0, shirt = 0;
};

TEST_F(SalePanelTest, FieldsStartWithTheirDefaults)
{
    open();
    EXPECT_TRUE(panel->isHidden());
    EXPECT_EQ(text("discount"), QStringLiteral("100"));
    EXPECT_EQ(text("quantity"), QStringLiteral("1"));
    EXPECT_EQ(text("owedAmount"), QStringLiteral("0"));
    EXPECT_EQ(text("saleDate"), QStringLiteral("2014-07-29"));
    for (const char *empty : {"saleName", "listPrice", "actualPrice", "stockQuantity", "saleAmount", "customerName",
                              "address", "contact", "remark"})
        EXPECT_EQ(text(empty), QString()) << empty;
    // The order the next sale joins, shown from the start.
    EXPECT_EQ(text("orderNumber"), QStringLiteral("20140729001"));
}

TEST_F(SalePanelTest, DoubleClickLoadsTheRowComputesAndBuildsTheOrderNumber)
{
    open();
    QList<bool> modifyEnabled;
    QObject::connect(panel, &SalePanel::stockModifyEnabled, [&](bool on) { modifyEnabled << on; });
    type("discount", QStringLiteral("85")); // the loaded row's full list price wins whatever "折" shows
    type("quantity", QStringLiteral("2"));
    emit main->stockQuery()->rowDoubleClicked(0);

    EXPECT_FALSE(panel->isHidden());
    EXPECT_EQ(modifyEnabled, QList<bool>{true});
    const std::pair<const char *, const char *> expected[] = {
        {"saleName", "牛仔裤"}, {"saleModel", "XL"},       {"saleCode", "NZ01"},    {"saleCategory", "裤子"},
        {"listPrice", "20"},    {"actualPrice", "20"},     {"stockQuantity", "5"}, {"saleAmount", "40"},
        {"quantity", "2"},      {"orderNumber", "20140729001"},
    };
    for (const auto &[name, value] : expected)
        EXPECT_EQ(text(name), QString::fromUtf8(value)) << name;
    EXPECT_EQ(panel->loadedStock()->key, jeans);
    EXPECT_EQ(panel->focusWidget(), field("actualPrice"));
}

TEST_F(SalePanelTest, ARowWithoutArticleNameLeavesThePanelAsItWas)
{
    shop.addStockRow({{"c", QStringLiteral("X")}, {"4", 9.0}, {"7", 1.0}});
    open();
    doubleClick(2);
    EXPECT_TRUE(panel->isHidden());
    EXPECT_EQ(text("listPrice"), QString());
    EXPECT_FALSE(panel->loadedStock());
}

TEST_F(SalePanelTest, TheDiscountPricesTheSaleFromTheListPrice)
{
    open();
    doubleClick(1);
    EXPECT_EQ(text("actualPrice"), QStringLiteral("59"));
    type("discount", QStringLiteral("85"));
    EXPECT_EQ(text("actualPrice"), QStringLiteral("50.15"));
    EXPECT_EQ(text("saleAmount"), QStringLiteral("50.15"));
    field<NumberSpinBox>("discount")->stepBy(1);
    EXPECT_EQ(text("discount"), QStringLiteral("90"));
    EXPECT_EQ(text("actualPrice"), QStringLiteral("53.1"));
    field<NumberSpinBox>("discount")->stepBy(3);
    EXPECT_EQ(text("discount"), QStringLiteral("100")) << "the spinner stops at 100";
    type("quantity", QStringLiteral("3"));
    EXPECT_EQ(text("saleAmount"), QStringLiteral("177"));
    // A half-typed number waits without a message and leaves the amount as it was.
    type("actualPrice", QStringLiteral("."));
    EXPECT_EQ(text("saleAmount"), QStringLiteral("177"));
    EXPECT_TRUE(shop.messages.boxes.isEmpty());
}

TEST_F(SalePanelTest, ReturnToggleNegatesWholeQuantities)
{
    open();
    const struct {
        const char *before;
        const char *after;
    } cases[] = {{"2", "-2"}, {"-2", "2"}, {"0", "0"}, {"15", "-15"}};
    for (const auto &c : cases) {
        type("quantity", QString::fromLatin1(c.before));
        click("returnToggle");
        EXPECT_EQ(text("quantity"), QString::fromLatin1(c.after)) << c.before;
    }
    type("quantity", QStringLiteral("2.5"));
    click("returnToggle");
    EXPECT_EQ(text("quantity"), QStringLiteral("2.5"));
    ASSERT_EQ(shop.messages.boxes.size(), 1);
    EXPECT_EQ(shop.messages.boxes.first().kind, Kind::Error);
}

TEST_F(SalePanelTest, NumberFieldsTakeOnlyDigitsAndPoint)
{
    open();
    for (const char *name : {"actualPrice", "discount", "quantity", "owedAmount"}) {
        QWidget *w = panel->findChild<QWidget *>(QString::fromLatin1(name));
        type(name, QString());
        for (const QChar ch : QStringLiteral("1a2.-3 x")) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(w, &press);
        }
        QKeyEvent backspace(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
        QApplication::sendEvent(w, &backspace);
        EXPECT_EQ(text(name), QStringLiteral("12.")) << name;
    }
}

TEST_F(SalePanelTest, EnterMovesAlongTheChain)
{
    open();
    main->show();
    QApplication::setActiveWindow(main);
    doubleClick(0);
    const char *chain[] = {"actualPrice", "discount", "quantity", "owedAmount", "saleDate",
                           "orderNumber", "customerName", "address", "contact", "remark"};
    for (size_t i = 0; i + 1 < std::size(chain); ++i) {
        QWidget *from = panel->findChild<QWidget *>(QString::fromLatin1(chain[i]));
        from->setFocus();
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QApplication::sendEvent(QApplication::focusWidget(), &enter);
        QWidget *now = QApplication::focusWidget();
        const QWidget *expected = panel->findChild<QWidget *>(QString::fromLatin1(chain[i + 1]));
        EXPECT_TRUE(now == expected || (now && now->parentWidget() == expected)) << chain[i];
    }
    EXPECT_EQ(routines_text(panel->findChild<QWidget *>("customerName")), QString());
    EXPECT_EQ(field<QComboBox>("customerName")->count(), 0) << "Enter does not add the name to the list";
}

TEST_F(SalePanelTest, CustomerNameFillsAddressAndContactFromItsFirstSaleLine)
{
    addLine("20140701001", "张三", "北京", "138", "老客户");
    addLine("20140702001", "O'Brien \"x\"", "100% _路", "'--", "");
    open();
    type("remark", QStringLiteral("备注"));
    type("customerName", QStringLiteral(" 张三 "));
    EXPECT_EQ(text("address"), QStringLiteral("北京"));
    EXPECT_EQ(text("contact"), QStringLiteral("138"));
    EXPECT_EQ(text("remark"), QStringLiteral("备注")) << "the name look-up leaves the remark alone";
    type("customerName", QStringLiteral("O'Brien \"x\""));
    EXPECT_EQ(text("address"), QStringLiteral("100% _路"));
    EXPECT_EQ(text("contact"), QStringLiteral("'--"));
    type("customerName", QStringLiteral("王五"));
    EXPECT_EQ(text("address"), QString());
    EXPECT_EQ(text("contact"), QString());

    type("address", QStringLiteral("上海"));
    type("customerName", QString()); // an empty name looks nothing up ...
    EXPECT_EQ(text("address"), QStringLiteral("上海"));
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason); // ... but leaving it empties both
    QApplication::sendEvent(field<QComboBox>("customerName"), &out);
    EXPECT_EQ(text("address"), QString());
    EXPECT_EQ(text("remark"), QStringLiteral("备注"));
    EXPECT_TRUE(shop.messages.boxes.isEmpty());
}

TEST_F(SalePanelTest, TypingAnOrderNumberLoadsThatOrdersCustomer)
{
    addLine("20140701001", "张三", "北京", "138", "老客户");
    addLine("2014'0701", "李'四", "a%b", "c_d", "e\\f");
    open();
    type("orderNumber", QStringLiteral("20140701001"));
    EXPECT_EQ(text("customerName"), QStringLiteral("张三"));
    EXPECT_EQ(text("address"), QStringLiteral("北京"));
    EXPECT_EQ(text("contact"), QStringLiteral("138"));
    EXPECT_EQ(text("remark"), QStringLiteral("老客户"));
    type("orderNumber", QStringLiteral("2014'0701"));
    EXPECT_EQ(text("customerName"), QStringLiteral("李'四"));
    EXPECT_EQ(text("remark"), QStringLiteral("e\\f"));
    type("orderNumber", QStringLiteral("20140701002"));
    for (const char *name : {"customerName", "address", "contact", "remark"})
        EXPECT_EQ(text(name), QString()) << name;
    EXPECT_TRUE(shop.messages.boxes.isEmpty());
}

TEST_F(SalePanelTest, PlusAndMinusBrowseTheOrdersFromTheFirstFreeOne)
{
    shop.settings.write("danhao", "6");
    shop.settings.write("riqi", "2014-07-29");
    addLine("20140729008", "张三", "北京", "138", "老客户");
    open();
    doubleClick(0);
    EXPECT_EQ(text("orderNumber"), QStringLiteral("20140729009")) << "past the stored counter and the stored order";
    main->checkoutPanel()->setCash(QStringLiteral("100"));
    click("previousOrder");
    EXPECT_EQ(checkoutCash(), QStringLiteral("0"));
    EXPECT_EQ(text("orderNumber"), QStringLiteral("20140729008"));
    EXPECT_EQ(text("customerName"), QStringLiteral("张三")) << "an existing order can be reached by hand";
    click("previousOrder");
    click("nextOrder");
    EXPECT_EQ(text("orderNumber"), QStringLiteral("20140729008"));
    EXPECT_EQ(text("customerName"), QString()) << "the customer list refresh empties the name";
    EXPECT_EQ(text("address"), QStringLiteral("北京")) << "but the order's address stays";
    field<OnDemandComboBox>("customerName")->refresh(); // the list opened: read again
    EXPECT_EQ(field<QComboBox>("customerName")->findText(QStringLiteral("张三")), 0);
    for (int i = 0; i < 10; ++i)
        click("previousOrder");
    EXPECT_EQ(panel->orderCounter().value(), 0);
    EXPECT_EQ(text("orderNumber"), QStringLiteral("20140729000"));
}

TEST_F(SalePanelTest, ANewDayStartsAtOneOnceAndPlusIsNotUndone)
{
    shop.settings.write("danhao", "41");
    shop.settings.write("riqi", "2014-07-28");
    open();
    doubleClick(0);
    EXPECT_EQ(text("orderNumber"), QStringLiteral("20140729001"));
    click("confirmSale");
    click("nextOrder");
    loadGrid();
    doubleClick(1);
    EXPECT_EQ(text("orderNumber"), QStringLiteral("20140729002"));
    // A sale date typed for another day starts that day's numbering again, past every order of
    // the computer's date already stored or opened: 001 holds the first sale, "+" opened 002.
    type("saleDate", QStringLiteral("2014-07-30"));
    doubleClick(0);
    EXPECT_EQ(text("orderNumber"), QStringLiteral("20140729003")) << "the number keeps the computer's date";
}

TEST_F(SalePanelTest, CloseClearsAndAClickOnAnotherRowCloses)
{
    open();
    QList<bool> modifyEnabled;
    QObject::connect(panel, &SalePanel::stockModifyEnabled, [&](bool on) { modifyEnabled << on; });
    doubleClick(0);
    type("quantity", QStringLiteral("3"));
    type("owedAmount", QStringLiteral("5"));
    click("closeSale");
    EXPECT_TRUE(panel->isHidden());
    EXPECT_EQ(text("quantity"), QStringLiteral("1"));
    EXPECT_EQ(text("owedAmount"), QStringLiteral("0"));
    EXPECT_EQ(text("actualPrice"), QString());
    EXPECT_EQ(text("saleAmount"), QStringLiteral("20")) << "not emptied: quantity 1 at price 20";
    // The first click of the double-click closed the (hidden) panel, the double-click opened it.
    EXPECT_EQ(modifyEnabled, (QList<bool>{false, true, false}));

    doubleClick(0);
    emit main->stockQuery()->rowClicked(0);
    EXPECT_FALSE(panel->isHidden()) << "a click on the same row keeps the panel";
    type("quantity", QStringLiteral("2"));
    doubleClick(1);
    EXPECT_EQ(text("quantity"), QStringLiteral("1")) << "the click on another row closed and cleared first";
    EXPECT_EQ(panel->loadedStock()->key, shirt);

    emit main->stockQuery()->reloaded();
    EXPECT_TRUE(panel->isHidden());
    EXPECT_FALSE(panel->loadedStock()) << "a hidden panel stands for no row";
}

TEST_F(SalePanelTest, PreviewShowsAndHidesTheCheckoutPanel)
{
    open();
    doubleClick(0);
    click("preview");
    EXPECT_FALSE(main->checkoutPanel()->isHidden());
    click("preview");
    EXPECT_TRUE(main->checkoutPanel()->isHidden());
}

TEST_F(SalePanelTest, DraggingMovesThePanelInsideTheWindow)
{
    open();
    main->show();
    doubleClick(0);
    const QPoint start = panel->pos();
    const QPoint grab(4, 4);
    QMouseEvent press(QEvent::MouseButtonPress, grab, panel->mapToGlobal(grab), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(panel, &press);
    QMouseEvent move(QEvent::MouseMove, grab + QPoint(-100, 50), panel->mapToGlobal(grab + QPoint(-100, 50)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(panel, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, grab, panel->mapToGlobal(grab), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(panel, &release);
    EXPECT_EQ(panel->pos(), start + QPoint(-100, 50));
}

// --- posting ---

TEST_F(SalePanelTest, PostingStoresTheSaleAndKeepsTheOrderAndCustomer)
{
    open();
    doubleClick(0);
    type("quantity", QStringLiteral("2"));
    type("owedAmount", QStringLiteral("5"));
    type("customerName", QStringLiteral("  张三"));
    type("address", QStringLiteral("北京"));
    click("confirmSale");

    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
    EXPECT_EQ((QVariantList{stock(jeans, "5"), stock(jeans, "6"), stock(jeans, "7"), stock(jeans, "8")}),
              (QVariantList{2.0, 40.0, 3.0, 31.5}));
    EXPECT_EQ(shop.scalar("select g || '|' || h || '|' || [3] || '|' || [6] || '|' || z from data1"),
              QStringLiteral("张三|北京|2.0|5.0|20140729001"));
    EXPECT_EQ(main->successPrompt()->text(), QStringLiteral("销售数据保存成功..."));
    EXPECT_FALSE(main->successPrompt()->isHidden());
    EXPECT_EQ(shop.settings.read("danhao"), QStringLiteral("1"));
    EXPECT_TRUE(panel->isHidden());
    EXPECT_EQ(text("quantity"), QStringLiteral("1"));
    EXPECT_EQ(text("owedAmount"), QStringLiteral("0"));
    EXPECT_EQ(text("actualPrice"), QString());
    EXPECT_EQ(text("customerName"), QStringLiteral("  张三")) << "the name is put back after the list refresh";
    field<OnDemandComboBox>("customerName")->refresh(); // the list opened: read again
    EXPECT_EQ(field<QComboBox>("customerName")->findText(QStringLiteral("张三")), 0);
    EXPECT_EQ(text("orderNumber"), QStringLiteral("20140729001"));

    // The next sale without "+" joins the same order.
    loadGrid();
    doubleClick(1);
    click("confirmSale");
    EXPECT_EQ(shop.scalar("select count(distinct z) from data1").toInt(), 1);
    EXPECT_EQ(lineCount(), 2);
    EXPECT_EQ(checkoutLines(), 2) << "the checkout lists both lines of the order";
}

TEST_F(SalePanelTest, AReturnGivesTheStockBack)
{
    shop.exec("update data set [5]=3, [6]=60, [7]=0, [8]=0 where ID=?", {jeans});
    open();
    doubleClick(0);
    type("quantity", QStringLiteral("2"));
    click("returnToggle");
    click("confirmSale");
    EXPECT_EQ((QVariantList{stock(jeans, "5"), stock(jeans, "6"), stock(jeans, "7"), stock(jeans, "8")}),
              (QVariantList{1.0, 20.0, 2.0, 21.0}));
    EXPECT_EQ(shop.scalar("select [3] || '|' || [4] || '|' || a5 from data1"), QStringLiteral("-2.0|-40.0|-19.0"));
}

TEST_F(SalePanelTest, PostingChecksStopBeforeAnythingIsWritten)
{
    open();
    const struct {
        const char *what;
        std::function<void()> spoil;
        Kind kind;
        const char *message;
        const char *focus;
    } cases[] = {
        {"zero quantity", [&] { type("quantity", "0"); }, Kind::Info, "销售数量不能为0", nullptr},
        {"no price", [&] { type("actualPrice", ""); }, Kind::Warning, "实际销售价必须输入！", "actualPrice"},
        {"no quantity", [&] { type("quantity", ""); }, Kind::Warning, "销售数量必须输入！", "quantity"},
        {"no owed amount", [&] { type("owedAmount", ""); }, Kind::Warning, "欠款金额必须输入！", "owedAmount"},
        {"no sale date", [&] { type("saleDate", ""); }, Kind::Info, "销售日期必须输入", nullptr},
        {"half a sale date", [&] { type("saleDate", "2014-07"); }, Kind::Error, "销售日期：'2014-07-  '", nullptr},
        {"pasted owed amount", [&] { type("owedAmount", "abc"); }, Kind::Error, "欠款金额：'abc'", nullptr},
        {"pasted price", [&] { type("actualPrice", "1.2.3"); }, Kind::Error, "实际销售价：'1.2.3'", nullptr},
        {"pasted quantity", [&] { type("quantity", "x"); }, Kind::Error, "销售数量：'x'", nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        shop.messages.clear();
        doubleClick(0);
        c.spoil();
        click("confirmSale");
        ASSERT_EQ(shop.messages.boxes.size(), 1);
        EXPECT_EQ(shop.messages.boxes.first().kind, c.kind);
        EXPECT_TRUE(shop.messages.lastText().startsWith(QString::fromUtf8(c.message))) << shop.messages.lastText().toStdString();
        if (c.focus)
            EXPECT_EQ(panel->focusWidget(), panel->findChild<QWidget *>(QString::fromLatin1(c.focus)));
        EXPECT_FALSE(panel->isHidden()) << "the panel stays open with its contents";
        EXPECT_EQ(stock(jeans, "7"), 5.0);
        EXPECT_EQ(lineCount(), 0);
        EXPECT_TRUE(shop.settings.read("danhao").isEmpty());
        click("closeSale");
        type("saleDate", "2014-07-29");
    }
}

TEST_F(SalePanelTest, NotEnoughStockPutsTheStockQuantityInAndTheNextConfirmSellsIt)
{
    open();
    doubleClick(0);
    type("quantity", QStringLiteral("7"));
    click("confirmSale");
    EXPECT_EQ(shop.messages.texts(), QStringList{QStringLiteral("库存不足")});
    EXPECT_EQ(text("quantity"), QStringLiteral("5"));
    EXPECT_EQ(lineCount(), 0);
    click("confirmSale");
    EXPECT_EQ(stock(jeans, "7"), 0.0);
    EXPECT_EQ(shop.scalar("select [3] from data1"), 5.0);
}

TEST_F(SalePanelTest, PostingGoesToTheLoadedRowWhateverRowIsCurrent)
{
    open();
    doubleClick(0);
    shop.data.stockQuery.setCurrentRow(1); // moved by keyboard while the panel is open
    click("confirmSale");
    EXPECT_EQ(stock(jeans, "7"), 4.0);
    EXPECT_EQ(stock(shirt, "7"), 3.0);
    EXPECT_EQ(shop.scalar("select c from data1"), QStringLiteral("NZ01"));
}

TEST_F(SalePanelTest, HostileTextIsPostedAndFoundAsTyped)
{
    open();
    doubleClick(0);
    type("orderNumber", QStringLiteral("2014'07%_"));
    type("customerName", QStringLiteral("O'Brien\"; --"));
    type("address", QStringLiteral("'; drop table data; --"));
    type("contact", QStringLiteral("\\"));
    type("remark", QStringLiteral("100%"));
    click("confirmSale");
    ASSERT_EQ(lineCount(), 1);
    EXPECT_EQ(shop.scalar("select z || g || h || i || j from data1"),
              QStringLiteral("2014'07%_O'Brien\"; --'; drop table data; --\\100%"));

    type("orderNumber", QStringLiteral("x"));
    type("orderNumber", QStringLiteral("2014'07%_"));
    EXPECT_EQ(text("customerName"), QStringLiteral("O'Brien\"; --"));
    EXPECT_EQ(text("address"), QStringLiteral("'; drop table data; --"));
    type("orderNumber", QStringLiteral("2014'07%"));
    EXPECT_EQ(text("customerName"), QString()) << "the order number is matched exactly";
    EXPECT_TRUE(shop.messages.boxes.isEmpty());
}

TEST_F(SalePanelTest, HiddenButtonsLieOutsideThePanelAndAreReachedWithTab)
{
    open();
    main->show();
    QApplication::setActiveWindow(main);
    doubleClick(0);
    field("remark")->setFocus();
    QStringList reached;
    for (int i = 0; i < 8; ++i) {
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
        QApplication::sendEvent(QApplication::focusWidget(), &tab);
        reached << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(reached.mid(0, 7), (QStringList{"confirmSale", "preview", "reducedPost", "appendSale", "compute",
                                              "clearSale", "buildOrder"}));
    for (const char *name : {"reducedPost", "appendSale", "compute", "clearSale", "buildOrder"}) {
        const QWidget *b = field<QAbstractButton>(name);
        EXPECT_GE(b->mapTo(panel, QPoint(0, 0)).y(), panel->height()) << name << " lies outside the panel";
    }
}

TEST_F(SalePanelTest, ReducedPostSkipsTheOtherChecksAndTheRefreshes)
{
    open();
    doubleClick(0);
    type("owedAmount", QStringLiteral("3"));
    click("reducedPost");
    EXPECT_EQ(shop.messages.texts(), QStringList{QStringLiteral("销售数据成功！")});
    EXPECT_EQ(lineCount(), 1);
    EXPECT_EQ(shop.scalar("select [6] from data1"), 3.0);
    EXPECT_TRUE(panel->isHidden());
    EXPECT_EQ(text("owedAmount"), QStringLiteral("0"));
    EXPECT_TRUE(main->successPrompt()->isHidden());
    EXPECT_TRUE(shop.settings.read("danhao").isEmpty());
    EXPECT_EQ(checkoutLines(), 1) << "the checkout lists the new line like after a posting";

    shop.messages.clear();
    loadGrid();
    doubleClick(0);
    type("actualPrice", QString());
    click("reducedPost");
    EXPECT_EQ(shop.messages.texts(), QStringList{QStringLiteral("实际销售价必须输入！")});
    EXPECT_EQ(lineCount(), 1);
}

TEST_F(SalePanelTest, HiddenPostsRefuseWhatThePostingRefuses)
{
    open();
    const struct {
        const char *button;
        const char *quantity;
        const char *message;
    } cases[] = {
        {"reducedPost", "0", "销售数量不能为0"},
        {"reducedPost", "7", "库存不足"},
        {"appendSale", "0", "销售数量不能为0"},
        {"appendSale", "7", "库存不足"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.button) + " " + c.quantity);
        shop.messages.clear();
        loadGrid();
        doubleClick(0);
        type("quantity", QString::fromLatin1(c.quantity));
        click(c.button);
        EXPECT_EQ(shop.messages.texts(), QStringList{QString::fromUtf8(c.message)});
        EXPECT_EQ(lineCount(), 0);
        EXPECT_EQ(stock(jeans, "7"), 5.0) << "the stock never goes below what is there";
        click("closeSale");
    }
}

TEST_F(SalePanelTest, HiddenStepButtonsEachDoTheirOwnStep)
{
    open();
    doubleClick(0);
    // "增加销售" twice: each line is written with the stock row as it now is.
    click("appendSale");
    click("appendSale");
    EXPECT_EQ(lineCount(), 2);
    EXPECT_EQ(checkoutLines(), 2) << "the checkout follows each line";
    EXPECT_EQ(stock(jeans, "5"), 2.0);
    EXPECT_EQ(stock(jeans, "7"), 3.0);
    EXPECT_EQ(text("stockQuantity"), QStringLiteral("3"));
    EXPECT_FALSE(panel->isHidden());

    type("orderNumber", QString());
    click("buildOrder");
    EXPECT_EQ(text("orderNumber"), QStringLiteral("20140729001"));
    type("quantity", QStringLiteral("3"));
    type("actualPrice", QStringLiteral("7"));
    type("saleAmount", QString());
    click("compute");
    EXPECT_EQ(text("saleAmount"), QStringLiteral("21"));
    click("clearSale");
    EXPECT_EQ(text("quantity"), QStringLiteral("1"));
    EXPECT_EQ(text("actualPrice"), QString());
    EXPECT_TRUE(shop.messages.boxes.isEmpty());
}

TEST_F(SalePanelTest, AStockRowWithEmptyFiguresStopsTheSaleWithAMessage)
{
    shop.exec("update data set [7]=NULL where ID=?", {jeans});
    open();
    doubleClick(0);
    ASSERT_EQ(shop.messages.boxes.size(), 1);
    EXPECT_EQ(shop.messages.boxes.first().kind, Kind::Error);
    EXPECT_TRUE(shop.messages.lastText().startsWith(QStringLiteral("库存数量：''")));
    click("confirmSale");
    EXPECT_EQ(lineCount(), 0);
    EXPECT_TRUE(stock(jeans, "7").isNull());
}

} // namespace

// Whenever the program picks the number of a new order it goes past every order of the day
// already stored, whatever the settings say: a crash, a missing settings file or a smaller
// counter stored after adding to an earlier order never put a new customer into an old order.
TEST(SalePanelOrderNumbers, ANewOrderNeverTakesANumberAlreadyStored)
{
    const struct {
        const char *what;
        QList<std::pair<const char *, const char *>> settings;
        QStringList storedOrders;
        const char *expected;
    } cases[] = {
        {"restart after a crash (no riqi written)", {{"danhao", "1"}}, {"20140729001"}, "20140729002"},
        {"missing settings over an existing database", {}, {"20140729001", "20140729002"}, "20140729003"},
        {"smaller counter stored after adding to an earlier order",
         {{"danhao", "2"}, {"riqi", "2014-07-29"}},
         {"20140729001", "20140729002", "20140729005"},
         "20140729006"},
        {"stored counter above the stored orders", {{"danhao", "8"}, {"riqi", "2014-07-29"}}, {"20140729003"},
         "20140729009"},
        {"an empty shop", {}, {}, "20140729001"},
        {"a counter past 32 bits", {{"danhao", "2147483647"}, {"riqi", "2014-07-29"}}, {}, "201407292147483648"},
        {"a counter no shop reaches", {{"danhao", "9223372036854775807"}, {"riqi", "2014-07-29"}}, {"20140729001"},
         "20140729002"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        TestShop shop;
        shop.addStockRow({{"a", QStringLiteral("牛仔裤")}, {"1", 10.0}, {"4", 20.0}, {"5", 0.0}, {"6", 0.0},
                          {"7", 5.0}, {"day1", QStringLiteral("2014-07-01")}});
        for (const auto &[name, value] : c.settings)
            shop.settings.write(QString::fromLatin1(name), QString::fromLatin1(value));
        for (const QString &z : c.storedOrders)
            shop.exec("insert into data1 (a, z, g) values ('旧货', ?, '张三')", {z});
        MainWindow &main = shop.windows();
        shop.data.stockQuery.open(Statement("select * from data order by ID"));
        emit main.stockQuery()->rowDoubleClicked(0);
        SalePanel &panel = *main.salePanel();
        EXPECT_EQ(panel.orderNumber(), QString::fromLatin1(c.expected));
        EXPECT_EQ(panel.customerName(), QString()) << "no other customer's order is opened";
        EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
    }
}

TEST_F(SalePanelTest, TheDiscountShownIsTheDiscountCharged)
{
    const long long tee = shop.addStockRow({{"a", QStringLiteral("T恤")}, {"1", 5.0}, {"4", 19.99}, {"5", 0.0},
                                            {"6", 0.0}, {"7", 10.0}, {"day1", QStringLiteral("2014-07-03")}});
    open();
    doubleClick(1);
    type("discount", QStringLiteral("85"));
    doubleClick(2);
    EXPECT_EQ(text("discount"), QStringLiteral("100")) << "a new sale starts at the full price";
    EXPECT_EQ(text("actualPrice"), QStringLiteral("19.99"));
    type("discount", QStringLiteral("33"));
    EXPECT_EQ(text("actualPrice"), QStringLiteral("6.6")) << "6.5967 rounded to the fen";
    type("quantity", QStringLiteral("3"));
    EXPECT_EQ(text("saleAmount"), QStringLiteral("19.8"));
    click("confirmSale");
    EXPECT_EQ(shop.scalar("select [2] || '|' || [4] from data1"), QStringLiteral("6.6|19.8"));
    EXPECT_EQ(stock(tee, "6"), 19.8);
    EXPECT_EQ(checkoutLines(), 1);
    EXPECT_EQ(main->checkoutPanel()->findChild<QLineEdit *>("totalField")->text(), QStringLiteral("19.8"));
}

TEST_F(SalePanelTest, TheSaleDateFollowsTheCalendarPastMidnight)
{
    open();
    doubleClick(0);
    click("confirmSale");
    EXPECT_EQ(shop.scalar("select day1 || '|' || z from data1"), QStringLiteral("2014-07-29|20140729001"));

    shop.clock.time = QDateTime(QDate(2014, 7, 30), QTime(0, 5));
    loadGrid();
    doubleClick(1);
    EXPECT_EQ(text("saleDate"), QStringLiteral("2014-07-30"));
    EXPECT_EQ(text("orderNumber"), QStringLiteral("20140730001")) << "the new day's numbering";
    click("confirmSale");
    EXPECT_EQ(shop.scalar("select day1 || '|' || z from data1 where ID=2"), QStringLiteral("2014-07-30|20140730001"));

    // A date the owner typed on purpose is left alone by the next midnight.
    type("saleDate", QStringLiteral("2014-07-20"));
    shop.clock.time = QDateTime(QDate(2014, 7, 31), QTime(0, 5));
    loadGrid();
    doubleClick(0);
    EXPECT_EQ(text("saleDate"), QStringLiteral("2014-07-20"));
}

TEST_F(SalePanelTest, AClerksSaleDateAlsoFollowsTheCalendar)
{
    shop.logIn(QStringLiteral("店员"));
    open();
    emit shop.windowSet().login->loggedIn();
    EXPECT_TRUE(field<DateEdit>("saleDate")->isReadOnly());
    shop.clock.time = QDateTime(QDate(2014, 7, 30), QTime(8, 0));
    loadGrid();
    doubleClick(0);
    EXPECT_EQ(text("saleDate"), QStringLiteral("2014-07-30"));
}
