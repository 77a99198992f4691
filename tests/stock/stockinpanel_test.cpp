#include "app/mainwindow.h"
#include "data/routines.h"
#include "sales/checkoutpanel.h"
#include "sales/salepanel.h"
#include "stock/stockinpanel.h"
#include "stock/stockqueryview.h"
#include "support/testapp.h"
#include "widgets/dateedit.h"
#include "widgets/stepbuttons.h"
#include "widgets/successprompt.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

using Kind = RecordingMessages::Kind;

// What a shop assistant types into the shown fields of the panel.
struct Entry {
    QString name = QStringLiteral("衣服");
    QString model = QStringLiteral("XL");
    QString code = QStringLiteral("A001");
    QString category = QStringLiteral("上衣");
    QString price = QStringLiteral("0.1");
    QString quantity = QStringLiteral("3");
    QString salePrice = QStringLiteral("0.2");
    QString supplier = QStringLiteral("天虹");
    QString remark = QStringLiteral("备注");
};

class StockInPanelTest : public ::testing::Test {
public:
    TestShop shop;
    MainWindow &main = shop.windows();
    StockInPanel &panel = *main.stockInPanel();

    QComboBox *list(const char *name) { return panel.findChild<QComboBox *>(QLatin1String(name)); }
    QLineEdit *edit(const char *name) { return panel.findChild<QLineEdit *>(QLatin1String(name)); }
    QPushButton *button(const char *name) { return panel.findChild<QPushButton *>(QLatin1String(name)); }
    QPushButton *newButton() { return button("stockInNew"); }
    QPushButton *modifyButton() { return button("stockInModify"); }

    void fill(const Entry &e)
    {
        list("stockInName")->setEditText(e.name);
        list("stockInModel")->setEditText(e.model);
        list("stockInCode")->setEditText(e.code);
        list("stockInCategory")->setEditText(e.category);
        edit("stockInPrice")->setText(e.price);
        edit("stockInQuantity")->setText(e.quantity);
        edit("stockInSalePrice")->setText(e.salePrice);
        list("stockInSupplier")->setEditText(e.supplier);
        edit("stockInRemark")->setText(e.remark);
    }

    long long enterNew(const Entry &e = {})
    {
        main.actions().newStockIn->trigger();
        fill(e);
        newButton()->click();
        return shop.scalar(QStringLiteral("select max(ID) from data")).toLongLong();
    }

    // Loads the main grid and makes the row with `id` current.
    void loadGrid(long long currentId, const QString &order = QStringLiteral("ID"))
    {
        Dataset &rows = shop.data.stockQuery;
        routines::open(rows, Statement(QStringLiteral("select * from data order by ") + order));
        rows.setCurrentRow(rows.rowOfKey(currentId));
    }

    // "修 改" on the row with `id`.
    void openForChange(long long id)
    {
        loadGrid(id);
        main.actions().modify->trigger();
    }

    QVariant stored(long long id, const QString &column)
    {
        return shop.scalar(QStringLiteral("select [%1] from data where ID=?").arg(column), {id});
    }
    long long rowCount() { return shop.scalar(QStringLiteral("select count(*) from data")).toLongLong(); }
    // The whole row as text, to see that nothing changed.
    QString rowText(long long id)
    {
        return shop.scalar(QStringLiteral("select a||'|'||b||'|'||c||'|'||d||'|'||g||'|'||z||'|'||[1]||'|'||[2]||'|'||"
                                          "[3]||'|'||[4]||'|'||[5]||'|'||[6]||'|'||[7]||'|'||[8]||'|'||day1||'|'||e||'|'||f "
                                          "from data where ID=?"),
                           {id})
            .toString();
    }

    long long addRow(const QVariantHash &extra = {})
    {
        QVariantHash v{{QStringLiteral("a"), QStringLiteral("牛仔裤")}, {QStringLiteral("b"), QStringLiteral("L")},
                       {QStringLiteral("c"), QStringLiteral("B100")},  {QStringLiteral("d"), QStringLiteral("裤子")},
                       {QStringLiteral("g"), QStringLiteral("供应商甲")}, {QStringLiteral("z"), QString()},
                       {QStringLiteral("1"), 2.5},  {QStringLiteral("2"), 10.0},
                       {QStringLiteral("3"), 25.0}, {QStringLiteral("4"), 10.0},
                       {QStringLiteral("5"), 4.0},  {QStringLiteral("6"), 50.0},
                       {QStringLiteral("7"), 99.0}, {QStringLiteral("8"), 999.0},
                       {QStringLiteral("day1"), QStringLiteral("2014-05-01")},
                       {QStringLiteral("e"), QStringLiteral("nzk")}, {QStringLiteral("f"), QStringLiteral("L")}};
        for (auto it = extra.cbegin(); it != extra.cend(); ++it)
            v.insert(it.key(), it.value());
        return shop.addStockRow(v);
    }

    void type(QWidget *field, const QString &keys)
    {
        for (const QChar c : keys) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(field, &press);
        }
    }

    QStringList errors()
    {
        QStringList e;
        for (const auto &box : shop.messages.boxes)
            if (box.kind == Kind::Error)
                e << box.text;
        return e;
    }
};

TEST_F(StockInPanelTest, NewStockInStoresTheComputedColumnsAtFifteenDigits)
{
    Entry e;
    e.name = QStringLiteral("  衣服 ");
    e.remark = QStringLiteral("  含税  ");
    const long long id = enterNew(e);

    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
    ASSERT_EQ(rowCount(), 1);
    EXPECT_EQ(stored(id, "a").toString(), QStringLiteral("衣服"));
    EXPECT_EQ(stored(id, "b").toString(), QStringLiteral("XL"));
    EXPECT_EQ(stored(id, "c").toString(), QStringLiteral("A001"));
    EXPECT_EQ(stored(id, "d").toString(), QStringLiteral("上衣"));
    EXPECT_EQ(stored(id, "g").toString(), QStringLiteral("天虹"));
    EXPECT_EQ(stored(id, "z").toString(), QStringLiteral("含税"));
    EXPECT_EQ(stored(id, "1").toDouble(), 0.1);
    EXPECT_EQ(stored(id, "2").toDouble(), 3.0);
    EXPECT_EQ(stored(id, "4").toDouble(), 0.2);
    EXPECT_EQ(stored(id, "3").toDouble(), 0.3); // not 0.30000000000000004
    EXPECT_EQ(stored(id, "8").toDouble(), 0.3);
    EXPECT_EQ(stored(id, "5").toDouble(), 0.0);
    EXPECT_EQ(stored(id, "6").toDouble(), 0.0);
    EXPECT_EQ(stored(id, "7").toDouble(), 3.0);
    EXPECT_EQ(stored(id, "day1").toString(), QStringLiteral("2014-07-29"));
    EXPECT_EQ(stored(id, "e").toString(), QStringLiteral("yf"));
    EXPECT_EQ(stored(id, "f").toString(), QStringLiteral("XL"));
    EXPECT_EQ(main.successPrompt()->text(), QStringLiteral("数据入库成功..."));

    // The panel stays open for the next entry, every shown field empty except the date.
    EXPECT_TRUE(panel.isVisibleTo(&main));
    for (const char *name : {"stockInName", "stockInModel", "stockInCode", "stockInCategory", "stockInSupplier"})
        EXPECT_EQ(list(name)->currentText(), QString()) << name;
    for (const char *name : {"stockInPrice", "stockInQuantity", "stockInSalePrice", "stockInRemark"})
        EXPECT_EQ(edit(name)->text(), QString()) << name;
    EXPECT_EQ(panel.dateField()->dateText(), QStringLiteral("2014-07-29"));
    EXPECT_FALSE(modifyButton()->isEnabled());
}

TEST_F(StockInPanelTest, TheSameArticleTwiceGivesTwoRows)
{
    enterNew();
    enterNew();
    EXPECT_EQ(rowCount(), 2);
    EXPECT_EQ(shop.scalar("select count(*) from data where a='衣服' and c='A001' and [2]=3").toInt(), 2);
}

TEST_F(StockInPanelTest, KeepsTheDatePickedAcrossEntries)
{
    main.actions().newStockIn->trigger();
    panel.dateField()->setText(QStringLiteral("2013-12-31"));
    fill({});
    newButton()->click();
    fill({});
    newButton()->click();
    EXPECT_EQ(shop.scalar("select count(*) from data where day1='2013-12-31'").toInt(), 2);
}

TEST_F(StockInPanelTest, RequiredFieldsAreCheckedInOrderAndNothingIsWritten)
{
    // Each step blanks one more field from the end of the check order, so the message moves up.
    struct Case {
        const char *field;
        const char *message;
    };
    const Case checks[] = {{"stockInName", "商品名称必须输入！"},      {"stockInCode", "商品编码必须输入！"},
                           {"stockInCategory", "商品类别必须输入！"},  {"stockInPrice", "进货单价必须输入！"},
                           {"stockInQuantity", "进货数量必须输入！"}, {"stockInSalePrice", "销售单价必须输入！"}};
    main.show();
    for (int missing = 0; missing < int(std::size(checks)); ++missing) {
        SCOPED_TRACE(checks[missing].message);
        main.actions().newStockIn->trigger();
        fill({});
        // Blanks only count as empty; every field from this one on is blank.
        for (int i = missing; i < int(std::size(checks)); ++i) {
            if (QComboBox *box = list(checks[i].field))
                box->setEditText(QStringLiteral("  "));
            else
                edit(checks[i].field)->setText(QString());
        }
        shop.messages.clear();
        newButton()->click();
        ASSERT_EQ(shop.messages.boxes.size(), 1);
        EXPECT_EQ(shop.messages.boxes[0].kind, Kind::Warning);
        EXPECT_EQ(shop.messages.boxes[0].text, QString::fromUtf8(checks[missing].message));
        QWidget *field = panel.findChild<QWidget *>(QLatin1String(checks[missing].field));
        EXPECT_TRUE(main.focusWidget() == field || field->isAncestorOf(main.focusWidget()));
    }
    EXPECT_EQ(rowCount(), 0);
    main.hide();
}

TEST_F(StockInPanelTest, AnEmptyDateIsRefused)
{
    main.actions().newStockIn->trigger();
    fill({});
    panel.dateField()->clear();
    newButton()->click();
    ASSERT_EQ(shop.messages.boxes.size(), 1);
    EXPECT_EQ(shop.messages.boxes[0].kind, Kind::Info);
    EXPECT_EQ(shop.messages.boxes[0].text, QStringLiteral("入库日期必须输入"));
    EXPECT_EQ(rowCount(), 0);
}

TEST_F(StockInPanelTest, LiveComputationsFollowTheFieldsInAnyOrder)
{
    main.actions().newStockIn->trigger();
    QLineEdit *amount = edit("stockInAmount"), *inStock = edit("stockInStockQuantity"),
              *value = edit("stockInStockValue");
    edit("stockInQuantity")->setText(QStringLiteral("4"));
    EXPECT_EQ(inStock->text(), QStringLiteral("4"));
    edit("stockInPrice")->setText(QStringLiteral("2.5"));
    EXPECT_EQ(amount->text(), QStringLiteral("10"));
    EXPECT_EQ(value->text(), QStringLiteral("10"));
    // The amount cannot be set on its own: it goes back to price * quantity.
    amount->setText(QStringLiteral("77"));
    EXPECT_EQ(amount->text(), QStringLiteral("10"));
    // A half-typed number leaves the other fields alone, without a message.
    edit("stockInPrice")->setText(QStringLiteral("."));
    EXPECT_EQ(amount->text(), QStringLiteral("10"));
    EXPECT_TRUE(shop.messages.boxes.isEmpty());
    edit("stockInPrice")->setText(QStringLiteral("0.1"));
    edit("stockInQuantity")->setText(QStringLiteral("3"));
    EXPECT_EQ(amount->text(), QStringLiteral("0.3"));
}

TEST_F(StockInPanelTest, LettersTypedIntoNumberFieldsAreDiscarded)
{
    for (const char *name : {"stockInPrice", "stockInQuantity", "stockInSalePrice"}) {
        SCOPED_TRACE(name);
        QLineEdit *field = edit(name);
        field->clear();
        type(field, QStringLiteral("a1b-2.,5 x衣"));
        EXPECT_EQ(field->text(), QStringLiteral("12.5"));
    }
}

TEST_F(StockInPanelTest, SpinControlsStepByOneWithinZeroToHundred)
{
    main.actions().newStockIn->trigger();
    edit("stockInPrice")->setText(QStringLiteral("2"));
    auto *quantity = edit("stockInQuantity");
    auto *steps = panel.findChild<StepButtons *>(QStringLiteral("stockInQuantitySteps"));
    QToolButton *up = steps->upButton(), *down = steps->downButton();
    up->click();
    EXPECT_EQ(quantity->text(), QStringLiteral("1"));
    up->click();
    EXPECT_EQ(edit("stockInAmount")->text(), QStringLiteral("4"));
    quantity->setText(QStringLiteral("100"));
    up->click();
    EXPECT_EQ(quantity->text(), QStringLiteral("100"));
    quantity->setText(QStringLiteral("0.5"));
    down->click();
    EXPECT_EQ(quantity->text(), QStringLiteral("0"));
    down->click();
    EXPECT_EQ(quantity->text(), QStringLiteral("0"));
    // All three arrows step their own field.
    for (const char *name : {"stockInPrice", "stockInQuantity", "stockInSalePrice"}) {
        edit(name)->setText(QStringLiteral("99.5"));
        panel.findChild<StepButtons *>(QLatin1String(name) + QStringLiteral("Steps"))->upButton()->click();
        EXPECT_EQ(edit(name)->text(), QStringLiteral("100")) << name;
    }
}

TEST_F(StockInPanelTest, ModifyRecomputesStockFromPurchaseAndSoldQuantity)
{
    const long long id = addRow();
    const long long other = addRow({{QStringLiteral("a"), QStringLiteral("别的")}});
    const QString otherBefore = rowText(other);
    openForChange(id);
    EXPECT_TRUE(panel.isVisibleTo(&main));
    EXPECT_FALSE(newButton()->isVisibleTo(&panel));
    EXPECT_TRUE(modifyButton()->isVisibleTo(&panel));
    EXPECT_TRUE(modifyButton()->isEnabled());
    EXPECT_EQ(list("stockInName")->currentText(), QStringLiteral("牛仔裤"));
    EXPECT_EQ(panel.dateField()->dateText(), QStringLiteral("2014-05-01"));
    // The working fields hold the stored values, not what the computations made on the way.
    EXPECT_EQ(edit("stockInSalesAmount")->text(), QStringLiteral("50"));
    EXPECT_EQ(edit("stockInStockQuantity")->text(), QStringLiteral("99"));

    modifyButton()->click();

    ASSERT_EQ(shop.messages.boxes.size(), 1);
    EXPECT_EQ(shop.messages.boxes[0].kind, Kind::OkCancel);
    EXPECT_EQ(shop.messages.boxes[0].title, QStringLiteral("警告！"));
    EXPECT_EQ(shop.messages.boxes[0].text, QStringLiteral("你确实要修改选中资料吗？"));
    EXPECT_EQ(stored(id, "7").toDouble(), 6.0);
    EXPECT_EQ(stored(id, "8").toDouble(), 15.0);
    EXPECT_EQ(stored(id, "3").toDouble(), 25.0);
    EXPECT_EQ(stored(id, "5").toDouble(), 4.0);
    EXPECT_EQ(stored(id, "6").toDouble(), 50.0); // sale price untouched: kept although 10 * 4 = 40
    EXPECT_EQ(rowText(other), otherBefore);
    EXPECT_EQ(main.successPrompt()->text(), QStringLiteral("修改数据成功..."));
    EXPECT_FALSE(panel.isVisibleTo(&main));
    EXPECT_FALSE(modifyButton()->isEnabled());
    EXPECT_EQ(panel.loadedKey(), -1);
}

TEST_F(StockInPanelTest, ModifyStoresTheEditedFields)
{
    const long long id = addRow();
    openForChange(id);
    list("stockInName")->setEditText(QStringLiteral(" 衣服 "));
    list("stockInModel")->setEditText(QStringLiteral("大号"));
    edit("stockInSalePrice")->setText(QStringLiteral("12"));
    edit("stockInQuantity")->setText(QStringLiteral("20"));
    edit("stockInRemark")->setText(QStringLiteral("   "));
    panel.dateField()->setText(QStringLiteral("2014-06-02"));
    modifyButton()->click();

    EXPECT_EQ(stored(id, "a").toString(), QStringLiteral("衣服"));
    EXPECT_EQ(stored(id, "e").toString(), QStringLiteral("yf"));
    EXPECT_EQ(stored(id, "f").toString(), QStringLiteral("dh"));
    EXPECT_EQ(stored(id, "z").toString(), QString());
    EXPECT_FALSE(stored(id, "z").isNull());
    EXPECT_EQ(stored(id, "day1").toString(), QStringLiteral("2014-06-02"));
    EXPECT_EQ(stored(id, "4").toDouble(), 12.0);
    EXPECT_EQ(stored(id, "6").toDouble(), 48.0); // sale price changed: 12 * 4 sold
    EXPECT_EQ(stored(id, "7").toDouble(), 16.0);
    EXPECT_EQ(stored(id, "8").toDouble(), 40.0);
    EXPECT_EQ(stored(id, "3").toDouble(), 50.0);
}

TEST_F(StockInPanelTest, CancelOnEitherConfirmationWritesNothing)
{
    const long long id = addRow();
    const QString before = rowText(id);
    openForChange(id);
    edit("stockInPrice")->setText(QStringLiteral("9"));
    shop.messages.answers.enqueue(false);
    modifyButton()->click();
    EXPECT_EQ(rowText(id), before);
    EXPECT_TRUE(modifyButton()->isEnabled());

    shop.messages.answers.enqueue(false);
    main.actions().remove->trigger();
    EXPECT_EQ(rowCount(), 1);
    EXPECT_EQ(shop.messages.boxes.last().text, QStringLiteral("你真的要删除选中资料吗？"));
    EXPECT_EQ(shop.messages.boxes.last().title, QStringLiteral("警告！"));
    EXPECT_TRUE(main.successPrompt()->isHidden());
}

TEST_F(StockInPanelTest, ModifyRequiresTheSameFieldsAfterConfirming)
{
    const long long id = addRow();
    const QString before = rowText(id);
    openForChange(id);
    list("stockInCategory")->setEditText(QString());
    modifyButton()->click();
    ASSERT_EQ(shop.messages.boxes.size(), 2);
    EXPECT_EQ(shop.messages.boxes[0].kind, Kind::OkCancel);
    EXPECT_EQ(shop.messages.boxes[1].text, QStringLiteral("商品类别必须输入！"));
    EXPECT_EQ(rowText(id), before);
}

// The change lands in the row "修 改" loaded, whatever the grid did in between.
TEST_F(StockInPanelTest, ModifyWritesTheLoadedRowAfterTheGridMoved)
{
    struct Case {
        const char *what;
        std::function<void(StockInPanelTest &, long long other)> between;
    };
    const Case cases[] = {
        {"reloaded", [](StockInPanelTest &t, long long other) { t.loadGrid(other, QStringLiteral("ID desc")); }},
        {"re-sorted",
         [](StockInPanelTest &t, long long other) {
             Dataset &rows = t.shop.data.stockQuery;
             rows.sort(QStringLiteral("a DESC"));
             rows.setCurrentRow(rows.rowOfKey(other));
             emit t.main.stockQuery()->sorted();
         }},
        {"closed", [](StockInPanelTest &t, long long) { t.shop.data.stockQuery.close(); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        shop.exec(QStringLiteral("delete from data"));
        const long long loaded = addRow({{QStringLiteral("a"), QStringLiteral("甲")}});
        const long long other = addRow({{QStringLiteral("a"), QStringLiteral("乙")}});
        const QString otherBefore = rowText(other);
        openForChange(loaded);
        c.between(*this, other);
        edit("stockInPrice")->setText(QStringLiteral("3"));
        modifyButton()->click();
        EXPECT_EQ(stored(loaded, "1").toDouble(), 3.0);
        EXPECT_EQ(stored(loaded, "8").toDouble(), 18.0);
        EXPECT_EQ(rowText(other), otherBefore);
        EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
    }
}

TEST_F(StockInPanelTest, ModifyOfARowDeletedMeanwhileSaysSoAndWritesNothing)
{
    const long long loaded = addRow();
    const long long other = addRow({{QStringLiteral("a"), QStringLiteral("乙")}});
    const QString otherBefore = rowText(other);
    openForChange(loaded);
    shop.exec(QStringLiteral("delete from data where ID=?"), {loaded});
    modifyButton()->click();
    EXPECT_EQ(rowCount(), 1);
    EXPECT_EQ(rowText(other), otherBefore);
    EXPECT_EQ(shop.messages.lastText(), QStringLiteral("要修改的记录已经不存在（可能已被删除），修改没有保存。"));
    EXPECT_FALSE(modifyButton()->isEnabled());
    EXPECT_TRUE(main.successPrompt()->isHidden());
}

TEST_F(StockInPanelTest, ModifyKeepsASalePostedMeanwhile)
{
    const long long id = addRow();
    openForChange(id);
    // A sale of 2 more is posted on this row while the panel is open.
    shop.exec(QStringLiteral("update data set [5]=6, [6]=70, [7]=4 where ID=?"), {id});
    edit("stockInRemark")->setText(QStringLiteral("改了备注"));
    modifyButton()->click();
    EXPECT_EQ(stored(id, "5").toDouble(), 6.0);
    EXPECT_EQ(stored(id, "6").toDouble(), 70.0);
    EXPECT_EQ(stored(id, "7").toDouble(), 4.0);
    EXPECT_EQ(stored(id, "8").toDouble(), 10.0);
}

TEST_F(StockInPanelTest, ModifyOfARowWithoutSoldQuantityCountsNoneSold)
{
    const long long id = addRow({{QStringLiteral("5"), QVariant()}, {QStringLiteral("6"), QVariant()}});
    openForChange(id);
    modifyButton()->click();
    EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(stored(id, "5").toDouble(), 0.0);
    EXPECT_EQ(stored(id, "7").toDouble(), 10.0);
    EXPECT_EQ(stored(id, "8").toDouble(), 25.0);
}

TEST_F(StockInPanelTest, ABadPastedNumberIsReportedAndWritesNothing)
{
    const long long id = addRow();
    const QString before = rowText(id);
    for (const char *name : {"stockInPrice", "stockInQuantity", "stockInSalePrice"}) {
        for (const QString bad : {QStringLiteral("1.2.3"), QStringLiteral("."), QStringLiteral("1e5x")}) {
            SCOPED_TRACE(std::string(name) + " " + bad.toStdString());
            shop.messages.clear();
            main.actions().newStockIn->trigger();
            fill({});
            edit(name)->setText(bad); // as pasted: only keys are filtered
            newButton()->click();
            EXPECT_EQ(rowCount(), 1);
            ASSERT_EQ(errors().size(), 1);
            EXPECT_TRUE(errors()[0].contains(bad)) << errors()[0].toStdString();

            shop.messages.clear();
            openForChange(id);
            edit(name)->setText(bad);
            modifyButton()->click();
            EXPECT_EQ(rowText(id), before);
            ASSERT_EQ(errors().size(), 1);
            EXPECT_TRUE(errors()[0].contains(bad)) << errors()[0].toStdString();
        }
    }
    EXPECT_TRUE(main.successPrompt()->isHidden());
}

TEST_F(StockInPanelTest, HostileTextIsStoredAsTyped)
{
    const QString longText = QString(3000, QChar(0x8863)); // 衣 x 3000
    const QStringList texts = {QStringLiteral("O'Brien \"牛仔\""), QStringLiteral("100%_棉"), longText,
                               QStringLiteral("表情😀𠀀"), QStringLiteral("x'); drop table data; --")};
    for (const QString &text : texts) {
        SCOPED_TRACE(text.left(20).toStdString());
        Entry e;
        e.name = e.model = e.code = e.category = e.supplier = e.remark = text;
        const long long id = enterNew(e);
        EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
        for (const char *column : {"a", "b", "c", "d", "g", "z"})
            EXPECT_EQ(stored(id, column).toString(), text) << column;
        EXPECT_EQ(shop.scalar("select count(*) from data where a=? and c=?", {text, text}).toInt(), 1);

        // And changed into another hostile text.
        openForChange(id);
        const QString changed = text + QStringLiteral("'%_");
        list("stockInName")->setEditText(changed);
        edit("stockInRemark")->setText(changed);
        modifyButton()->click();
        EXPECT_EQ(stored(id, "a").toString(), changed);
        EXPECT_EQ(stored(id, "z").toString(), changed);
        EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
        shop.messages.clear();
    }
    EXPECT_EQ(rowCount(), texts.size());
}

TEST_F(StockInPanelTest, AClickCopiesTheDescriptionAndAnotherRowDisablesTheChange)
{
    const long long first = addRow();
    const long long second = addRow({{QStringLiteral("a"), QStringLiteral("衬衫")}, {QStringLiteral("1"), 7.0}});
    loadGrid(first);
    emit main.stockQuery()->rowClicked(0);
    main.actions().modify->trigger();
    ASSERT_TRUE(modifyButton()->isEnabled());
    emit main.stockQuery()->rowClicked(0); // the same row again
    EXPECT_TRUE(modifyButton()->isEnabled());

    Dataset &rows = shop.data.stockQuery;
    rows.setCurrentRow(rows.rowOfKey(second));
    emit main.stockQuery()->rowClicked(rows.currentRow());
    EXPECT_FALSE(modifyButton()->isEnabled());
    EXPECT_EQ(list("stockInName")->currentText(), QStringLiteral("衬衫"));
    EXPECT_EQ(edit("stockInPrice")->text(), QStringLiteral("7"));
    // Starting a sale cannot bring the change back for a row it no longer holds.
    panel.enableModify();
    EXPECT_FALSE(modifyButton()->isEnabled());
    modifyButton()->click();
    EXPECT_TRUE(shop.messages.boxes.isEmpty());
}

TEST_F(StockInPanelTest, AClickAtTheSamePositionOnAnotherRowAfterAReloadDisablesTheChange)
{
    const long long first = addRow();
    const long long second = addRow({{QStringLiteral("a"), QStringLiteral("衬衫")}});
    loadGrid(first);
    emit main.stockQuery()->rowClicked(0);
    main.actions().modify->trigger();
    loadGrid(second, QStringLiteral("ID desc")); // the other row is now at position 0
    emit main.stockQuery()->rowClicked(0);
    EXPECT_FALSE(modifyButton()->isEnabled());
}

TEST_F(StockInPanelTest, DeleteRemovesTheCurrentRowOnly)
{
    const long long keep = addRow();
    const long long gone = addRow({{QStringLiteral("a"), QStringLiteral("衬衫")}});
    shop.exec(QStringLiteral("insert into data1 (a, z) values ('衬衫', '20140729001')"));
    loadGrid(gone);
    main.salePanel()->show();
    main.actions().remove->trigger();
    EXPECT_FALSE(main.salePanel()->isVisibleTo(&main));
    EXPECT_EQ(rowCount(), 1);
    EXPECT_EQ(shop.scalar("select ID from data").toLongLong(), keep);
    EXPECT_EQ(shop.scalar("select count(*) from data1").toInt(), 1);
    EXPECT_EQ(shop.data.stockQuery.recordCount(), 1);
    EXPECT_EQ(main.successPrompt()->text(), QStringLiteral("删除数据成功..."));
}

TEST_F(StockInPanelTest, DeleteOnAnEmptyGridReportsAndChangesNothing)
{
    addRow();
    routines::open(shop.data.stockQuery, Statement(QStringLiteral("select * from data where 0")));
    main.actions().remove->trigger();
    EXPECT_EQ(rowCount(), 1);
    EXPECT_EQ(errors().size(), 1);
    EXPECT_TRUE(main.successPrompt()->isHidden());
}

TEST_F(StockInPanelTest, OpeningClosingAndSortingShowAndHideThePanels)
{
    main.checkoutPanel()->show();
    main.salePanel()->show();
    main.toolbar().newStockIn->click();
    EXPECT_TRUE(panel.isVisibleTo(&main));
    EXPECT_FALSE(main.checkoutPanel()->isVisibleTo(&main));
    EXPECT_FALSE(main.salePanel()->isVisibleTo(&main));
    EXPECT_TRUE(newButton()->isVisibleTo(&panel));
    EXPECT_FALSE(modifyButton()->isVisibleTo(&panel));
    EXPECT_EQ(edit("stockInSold")->text(), QStringLiteral("0"));

    emit main.stockQuery()->sorted();
    EXPECT_FALSE(panel.isVisibleTo(&main));

    const long long id = addRow();
    openForChange(id);
    panel.findChild<QToolButton *>(QStringLiteral("stockInClose"))->click();
    EXPECT_FALSE(panel.isVisibleTo(&main));
    EXPECT_FALSE(modifyButton()->isEnabled());
    EXPECT_EQ(edit("stockInPrice")->text(), QString());
    EXPECT_EQ(edit("stockInSold")->text(), QStringLiteral("0"));
    // "修 改" on a row without a name does nothing.
    const long long nameless = addRow({{QStringLiteral("a"), QString()}});
    openForChange(nameless);
    EXPECT_FALSE(panel.isVisibleTo(&main));
}

TEST_F(StockInPanelTest, TheCostTickBoxIsOutOfReachSoEveryStockInCanBeEntered)
{
    main.show();
    main.actions().newStockIn->trigger();
    QCheckBox *tick = panel.findChild<QCheckBox *>(QStringLiteral("stockInHideCost"));
    ASSERT_NE(tick, nullptr);
    EXPECT_FALSE(tick->isVisible());
    // Tab walks the panel's fields and buttons without ever reaching it.
    edit("stockInRemark")->setFocus();
    for (int step = 0; step < 15; ++step) {
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(main.focusWidget(), &tab);
        EXPECT_NE(main.focusWidget(), tick) << step;
    }
    EXPECT_TRUE(edit("stockInPrice")->isVisible());
    const long long id = enterNew();
    EXPECT_EQ(stored(id, QStringLiteral("1")).toDouble(), 0.1);
    EXPECT_TRUE(shop.messages.boxes.isEmpty());
    main.hide();
}

TEST_F(StockInPanelTest, TheTickBoxHidesThePurchasePriceAndEnterSkipsIt)
{
    main.show();
    main.actions().newStockIn->trigger();
    QLineEdit *price = edit("stockInPrice");
    auto enter = [&](QWidget *from) {
        from->setFocus();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(main.focusWidget(), &press);
        return main.focusWidget();
    };
    // The Enter order over the shown fields.
    QWidget *chain[] = {list("stockInName"), list("stockInModel"), list("stockInCode"), list("stockInCategory"),
                        panel.dateField(), price, edit("stockInQuantity"), edit("stockInSalePrice"),
                        list("stockInSupplier"), edit("stockInRemark"), newButton()};
    for (size_t i = 0; i + 1 < std::size(chain); ++i) {
        QWidget *reached = enter(chain[i]);
        EXPECT_TRUE(reached == chain[i + 1] || chain[i + 1]->isAncestorOf(reached)) << i;
    }

    panel.findChild<QCheckBox *>(QStringLiteral("stockInHideCost"))->setChecked(true);
    EXPECT_FALSE(price->isVisible());
    EXPECT_EQ(enter(panel.dateField()), edit("stockInQuantity"));
    panel.findChild<QCheckBox *>(QStringLiteral("stockInHideCost"))->setChecked(false);
    EXPECT_TRUE(price->isVisible());
    EXPECT_EQ(enter(panel.dateField()), price);

    // In modify mode Enter after the remark goes to "修改入库".
    const long long id = addRow();
    openForChange(id);
    EXPECT_EQ(enter(edit("stockInRemark")), modifyButton());
    // Enter on the focused button presses it.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(modifyButton(), &press);
    EXPECT_EQ(shop.messages.lastText(), QStringLiteral("你确实要修改选中资料吗？"));
    main.hide();
}

} // namespace
