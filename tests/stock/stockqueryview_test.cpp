#include "stock/stockqueryview.h"

#include "app/mainwindow.h"
#include "sales/salepanel.h"
#include "stock/stockinpanel.h"
#include "widgets/ondemandcombobox.h"
#include "support/clicks.h"
#include "support/testapp.h"
#include "widgets/grid.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <gtest/gtest.h>
#include <memory>

namespace {

// The main window of a shop, shown, with the stock query's fields at hand.
class StockQueryTest : public testing::Test {
protected:
    void SetUp() override
    {
        main.show();
        QApplication::processEvents();
        QObject::connect(view, &StockQueryView::reloaded, [this] { ++reloads; });
        QObject::connect(view, &StockQueryView::narrowedByCode, [this] { ++reloads; });
    }
    template <class T = QLineEdit>
    T *field(const char *name) const
    {
        T *w = main.findChild<T *>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void click(const char *button) const { field<QPushButton>(button)->click(); }
    long long add(const QVariantHash &values)
    {
        QVariantHash row{{"a", "货"}, {"2", 5}, {"7", 5}, {"day1", "2014-07-01"}};
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            row.insert(it.key(), it.value());
        return shop.addStockRow(row);
    }
    // The keys of the rows the grid holds, in grid order.
    QList<long long> shown() const
    {
        QList<long long> keys;
        for (int r = 0; r < stock.recordCount(); ++r)
            keys << stock.key(r);
        return keys;
    }
    QString cell(int row, int column) const { return grid()->model()->displayText(row, column); }
    Grid *grid() const { return view->gridWidget(); }

    TestShop shop;
    MainWindow &main = shop.windows();
    StockQueryView *view = main.stockQuery();
    Dataset &stock = shop.data.stockQuery;
    int reloads = 0;
};

TEST_F(StockQueryTest, NameInitialsRequeryOnEveryKey)
{
    const long long xyfz = add({{"e", "xyfz"}});
    const long long yf = add({{"e", "YF"}});
    add({{"e", "abc"}});
    add({{"e", "yf"}, {"2", 0}}); // never bought: no conditions query lists it
    main.salePanel()->show();

    typeKeys(field("queryName"), "y");
    EXPECT_EQ(reloads, 1);
    typeKeys(field("queryName"), "f");
    EXPECT_EQ(reloads, 2);
    EXPECT_EQ(shown(), QList<long long>({xyfz, yf}));
    EXPECT_FALSE(main.salePanel()->isVisible());
    EXPECT_EQ(stock.statement().sql, "select * from data where [2]>0 and e like ? escape '\\' order by ID");

    pressBackspace(field("queryName"), 2);
    EXPECT_EQ(reloads, 4);
    EXPECT_EQ(shown().size(), 3);
    typeKeys(field("queryName"), "衣服");
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_TRUE(shop.messages.boxes.isEmpty());
}

TEST_F(StockQueryTest, SupplierAndDatesWaitForTheQueryButton)
{
    const long long inRange = add({{"g", "广州厂"}, {"day1", "2014-07-29"}});
    add({{"g", "广州厂"}, {"day1", "2014-06-30"}});
    add({{"g", "杭州厂"}, {"day1", "2014-07-01"}});
    click("allRecords");
    reloads = 0;

    typeKeys(field<QComboBox>("querySupplier")->lineEdit(), "广州");
    field<QCheckBox>("queryDateRange")->setChecked(true);
    field<QDateEdit>("queryFrom")->setDate(QDate(2014, 7, 1));
    EXPECT_EQ(reloads, 0);
    EXPECT_EQ(shown().size(), 3);
    click("runQuery");
    EXPECT_EQ(shown(), QList<long long>({inRange}));
    // Both ends of the range count.
    field<QDateEdit>("queryFrom")->setDate(QDate(2014, 6, 30));
    field<QDateEdit>("queryTo")->setDate(QDate(2014, 6, 30));
    click("runQuery");
    EXPECT_EQ(shown().size(), 1);
    EXPECT_NE(shown().first(), inRange);
}

TEST_F(StockQueryTest, EachAutomaticFieldRequeries)
{
    add({{"d", "男装"}, {"f", "hsXL"}, {"c", "6901"}, {"z", "新款"}});
    add({{"d", "女装"}});
    const struct {
        QWidget *field;
        QString text;
    } fields[] = {
        {field<QComboBox>("queryCategory")->lineEdit(), "男"},
        {field("queryModel"), "xl"},
        {field("queryCode"), "01"},
        {field("queryRemark"), "新"},
    };
    for (const auto &f : fields) {
        const int before = reloads;
        typeKeys(f.field, f.text);
        EXPECT_EQ(reloads, before + int(f.text.size())) << f.text.toStdString();
        EXPECT_EQ(shown().size(), 1) << f.text.toStdString();
    }
    // Picking a category from the list re-queries too.
    click("clearConditions");
    click("allRecords");
    field<OnDemandComboBox>("queryCategory")->refresh(); // the list opened
    const int before = reloads;
    field<QComboBox>("queryCategory")->setCurrentIndex(field<QComboBox>("queryCategory")->findText("女装"));
    EXPECT_EQ(reloads, before + 1);
    EXPECT_EQ(stock.recordCount(), 1);
    EXPECT_EQ(stock.text("d"), "女装");
}

struct BadInput {
    const char *field; // object name
    const char *column;
    bool automatic;    // re-queries on change
};

class BadInputTest : public StockQueryTest, public testing::WithParamInterface<BadInput> {};

// Quotes, "%", "_", a backslash, very long text and characters GBK lacks are stored and found as
// typed, and match nothing else.
TEST_P(BadInputTest, TextIsMatchedAsTyped)
{
    const BadInput &p = GetParam();
    const QString longText = QString(kConditionMaxLength - 1, QChar(u'长')) + "尾"; // as long as a field takes
    const std::pair<QString, QString> cases[] = {
        {"O'Neil", "ONeil"},
        {"50%", "50x"},
        {"a_b", "axb"},
        {"c:\\d", "c:d"},
        {longText, QString(kConditionMaxLength - 1, QChar(u'长'))},
        {QStringLiteral("😀衣"), QStringLiteral("衣")},
    };
    for (const auto &[typed, decoy] : cases) {
        shop.exec("DELETE FROM data");
        const long long match = add({{p.column, "前" + typed + "后"}});
        add({{p.column, decoy}});
        if (auto *combo = main.findChild<QComboBox *>(QLatin1String(p.field)))
            combo->setEditText(typed);
        else
            field(p.field)->setText(typed);
        if (!p.automatic)
            click("runQuery");
        EXPECT_EQ(shown(), QList<long long>({match})) << p.field << " " << typed.left(10).toStdString();
        if (auto *combo = main.findChild<QComboBox *>(QLatin1String(p.field)))
            combo->setEditText(QString());
        else
            field(p.field)->clear();
    }
    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Fields, BadInputTest,
                         testing::Values(BadInput{"queryCategory", "d", true}, BadInput{"queryName", "e", true},
                                         BadInput{"queryModel", "f", true}, BadInput{"queryCode", "c", true},
                                         BadInput{"queryRemark", "z", true},
                                         BadInput{"querySupplier", "g", false}));

// A page of text pasted into a condition field is cut to what the field takes, and the query runs;
// a NUL counts as no text at all.
TEST_F(StockQueryTest, ConditionFieldsTakeASaneLengthAndNoNul)
{
    const QString page(16700, QChar(u'长'));
    const long long match = add({{"d", page}, {"e", page}, {"f", page}, {"c", page}, {"z", page}, {"g", page}});
    const long long other = add({{"d", "男装"}, {"e", "yf"}, {"f", "xl"}, {"c", "6901"}, {"z", "新款"}, {"g", "厂"}});
    const long long empty = add({});
    QLineEdit *const fields[] = {field<QComboBox>("queryCategory")->lineEdit(), field("queryName"),
                                 field("queryModel"), field("queryCode"), field("queryRemark"),
                                 field<QComboBox>("querySupplier")->lineEdit()};
    for (QLineEdit *f : fields) {
        SCOPED_TRACE(f->parent()->objectName().toStdString() + f->objectName().toStdString());
        f->setFocus();
        f->insert(page); // a paste
        EXPECT_EQ(f->text().size(), kConditionMaxLength);
        click("runQuery");
        EXPECT_EQ(shown(), QList<long long>({match}));
        f->clear();

        f->setText(QString(QChar(u'\0')));
        click("runQuery");
        EXPECT_EQ(shown(), QList<long long>({match, other, empty})) << "a NUL is no condition";
        f->setText(QStringLiteral("新") + QChar(u'\0') + QStringLiteral("款"));
        click("runQuery");
        EXPECT_EQ(shown().size(), f == field("queryRemark") ? 1 : 0) << "nor does it cut the text";
        f->clear();
    }
    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
}

TEST_F(StockQueryTest, ZeroStockSwitch)
{
    const long long neverBought = add({{"2", 0}, {"7", 0}, {"day1", "2014-07-04"}});
    const long long negative = add({{"7", -2}, {"day1", "2014-07-01"}});
    const long long soldOut = add({{"7", 0}, {"day1", "2014-07-03"}});
    const long long inStock = add({{"7", 3}, {"day1", "2014-07-02"}});
    auto *tick = field<QCheckBox>("hideZeroStock");

    click("allRecords");
    EXPECT_EQ(shown(), QList<long long>({negative, inStock, soldOut, neverBought}));
    click("runQuery");
    EXPECT_EQ(shown(), QList<long long>({negative, soldOut, inStock}));

    tick->click();
    EXPECT_EQ(shop.settings.read("n0"), "no");
    EXPECT_EQ(shown(), QList<long long>({negative, inStock}));
    click("runQuery");
    EXPECT_EQ(shown(), QList<long long>({negative, inStock}));

    tick->click();
    EXPECT_EQ(shop.settings.read("n0"), "yes");
    EXPECT_EQ(shown().size(), 4);

    // The login restores the switch; its own "全部记录" follows.
    view->setZeroStockHidden(true);
    EXPECT_TRUE(tick->isChecked());
    EXPECT_TRUE(view->zeroStockHidden());
    view->refreshAll();
    EXPECT_EQ(shown(), QList<long long>({negative, inStock}));
}

// After a sale the grid shows what the conditions query run again would show: the sold row's new
// figures, or no row when it has left the conditions, with the first row current. Where the grid
// holds that query's rows in their own order, the row is read alone; otherwise the query runs.
TEST_F(StockQueryTest, AWrittenRowShowsWhatTheQueryRunAgainShows)
{
    const long long sold = add({{"a", "红衬衫"}, {"e", "hcs"}, {"7", 5}, {"5", 1}, {"6", 10}, {"8", 50}, {"day1", "2014-07-02"}});
    add({{"a", "黑裤"}, {"e", "hk"}, {"7", 2}, {"day1", "2014-07-01"}});
    add({{"a", "旧货"}, {"e", "jh"}, {"2", 0}, {"7", 0}, {"day1", "2014-07-03"}});
    add({{"a", "红帽"}, {"e", "hm"}, {"7", 9}, {"day1", "2014-07-04"}});
    auto *tick = field<QCheckBox>("hideZeroStock");
    auto *name = field("queryName");
    struct Shown {
        QList<long long> keys;
        QStringList cells;
        std::vector<double> sums;
        int current = -1;
        bool operator==(const Shown &) const = default;
    };
    auto shownNow = [&] {
        Shown s{shown(), {}, stock.sums({"5", "6", "7", "8"}), stock.currentRow()};
        for (int r = 0; r < grid()->model()->rowCount(); ++r)
            for (int c = 0; c < grid()->model()->columnCount(); ++c)
                s.cells << cell(r, c);
        return s;
    };
    const struct {
        const char *name;
        bool hideZero;
        std::function<void()> listing;
        double newStock;
        bool readAlone;
        bool shownBefore = true; // the sold row was shown, as a row chosen for a sale is
    } cases[] = {
        {"conditions query", false, [&] { click("runQuery"); }, 4, true},
        {"typed initials", false, [&] { name->setText("h"); }, 3, true},
        {"sold out, zero stock hidden", true, [&] { click("runQuery"); }, 0, true},
        {"back in stock, zero stock shown", false, [&] { name->setText("h"); }, 1, true},
        {"after 全部记录", false, [&] { click("allRecords"); }, 2, false},
        {"sorted", false, [&] { click("runQuery"); clickTitle(grid()->view()->horizontalHeader(), 10); }, 3, false},
        {"conditions changed, not run", false, [&] { click("runQuery"); field<QCheckBox>("queryDateRange")->setChecked(true); }, 2, false},
        {"row never shown: what it added to the sums is unknown", false, [&] { click("runQuery"); }, 6, false, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        field<QCheckBox>("queryDateRange")->setChecked(false);
        name->clear();
        if (tick->isChecked() != c.hideZero)
            tick->click();
        c.listing();
        stock.setCurrentRow(stock.recordCount() - 1);
        if (c.shownBefore && stock.rowOfKey(sold) >= 0)
            stock.value(stock.rowOfKey(sold), "a");
        shop.exec("update data set [7]=?, [5]=[5]+1, [8]=? * 10 where ID=?", {c.newStock, c.newStock, sold});
        int resets = 0;
        const auto counting = QObject::connect(&stock, &Dataset::reset, [&] { ++resets; });
        const int reloadsBefore = reloads;
        view->rowWritten(sold);
        QObject::disconnect(counting);
        EXPECT_EQ(resets == 0, c.readAlone);
        EXPECT_EQ(reloads, reloadsBefore + 1) << "the sale panel hides as after a re-run";
        const Shown written = shownNow();
        EXPECT_EQ(written.current, written.keys.isEmpty() ? -1 : 0);
        view->runQuery();
        EXPECT_TRUE(written == shownNow());
    }
}

TEST_F(StockQueryTest, AlarmNumberColoursLowStockRed)
{
    // Halves go to the even neighbour: 4.5 counts as 4, 5.5 as 6, 6.5 as 6.
    const double stockQuantities[] = {5, 5.4, 4.5, 5.5, 6, 6.5, -1};
    for (double q : stockQuantities)
        add({{"7", q}});
    click("allRecords");
    auto red = [&] {
        QList<double> rows;
        for (int r = 0; r < stock.recordCount(); ++r) {
            const QVariant colour = grid()->model()->data(grid()->model()->index(r, 0), Qt::ForegroundRole);
            if (colour.value<QColor>() == QColor(255, 0, 0))
                rows << stock.value(r, "7").toDouble();
        }
        return rows;
    };
    EXPECT_EQ(red(), QList<double>({5, 5.4, 4.5, -1}));

    QLineEdit *alarm = field("alarmNumber");
    typeKeys(alarm, "x");
    EXPECT_EQ(alarm->text(), "5");
    pressBackspace(alarm);
    EXPECT_EQ(alarm->text(), "0");
    EXPECT_EQ(shop.settings.read("number"), "0");
    EXPECT_EQ(red(), QList<double>({-1}));
    typeKeys(alarm, "6");
    EXPECT_EQ(shop.settings.read("number"), "06");
    EXPECT_EQ(red(), QList<double>({5, 5.4, 4.5, 5.5, 6, 6.5, -1}));
}

TEST_F(StockQueryTest, ClearConditionsRequeriesFieldByField)
{
    add({{"e", "yf"}, {"c", "12"}, {"g", "厂"}});
    field("queryName")->setText("yf");
    field("queryCode")->setText("12");
    field<QComboBox>("queryCategory")->setEditText("男装");
    field("queryRemark")->setText("r");
    field<QComboBox>("querySupplier")->setEditText("厂");
    field<QCheckBox>("queryDateRange")->setChecked(true);
    field<QDateEdit>("queryFrom")->setDate(QDate(2014, 7, 2));
    field<QDateEdit>("queryTo")->setDate(QDate(2014, 7, 3));
    reloads = 0;

    click("clearConditions");
    // Name, code and remark changed; the model was empty already; the lists and the tick run none.
    EXPECT_EQ(reloads, 3);
    // The last re-query ran while the supplier and the date range still applied.
    EXPECT_EQ(stock.statement().sql, "select * from data where [2]>0 and g like ? escape '\\' and day1>=? and day1<=? order by ID");
    EXPECT_EQ(stock.statement().params, QVariantList({"%厂%", "2014-07-02", "2014-07-03"}));
    const StockConditions left = view->conditions();
    EXPECT_TRUE(left.name.isEmpty() && left.code.isEmpty() && left.category.isEmpty() && left.remark.isEmpty() &&
                left.supplier.isEmpty());
    EXPECT_FALSE(left.dateRange);
    EXPECT_EQ(QApplication::focusWidget(), field("queryCode"));
}

TEST_F(StockQueryTest, AllRecordsRefillsTheSevenLists)
{
    add({{"a", "衬衫"}, {"b", "XL"}, {"c", "2"}, {"d", "男装"}, {"g", "乙厂"}, {"day1", "2014-07-02"}});
    add({{"a", "裙子"}, {"b", "M"}, {"c", "1"}, {"d", "女装"}, {"day1", "2014-07-03"}});
    const long long first = add({{"a", "衬衫"}, {"c", "3"}, {"d", "男装"}, {"g", "甲厂"}, {"day1", "2014-07-01"}});
    std::unique_ptr<OnDemandComboBox> in[5];
    for (auto &list : in) {
        list = std::make_unique<OnDemandComboBox>();
        list->setEditText("typed");
    }
    view->setStockInLists({in[0].get(), in[1].get(), in[2].get(), in[3].get(), in[4].get()});
    field<QComboBox>("queryCategory")->setEditText("男");
    field<QComboBox>("querySupplier")->setEditText("厂");
    main.salePanel()->show();
    reloads = 0;

    click("allRecords");
    EXPECT_EQ(reloads, 1);
    // The lists are read when they are opened, not by the reload.
    EXPECT_TRUE(in[2]->isStale());
    EXPECT_TRUE(field<OnDemandComboBox>("querySupplier")->isStale());
    auto entries = [](OnDemandComboBox *list) {
        list->refresh();
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->itemText(i);
        return items;
    };
    // Texts in pinyin order: nan before nü, jia before yi.
    EXPECT_EQ(entries(in[0].get()), QStringList({"男装", "女装"}));
    EXPECT_EQ(entries(in[1].get()), QStringList({"衬衫", "裙子"}));
    EXPECT_EQ(entries(in[2].get()), QStringList({"", "M", "XL"}));
    EXPECT_EQ(entries(in[3].get()), QStringList({"1", "2", "3"}));
    EXPECT_EQ(entries(in[4].get()), QStringList({"", "甲厂", "乙厂"}));
    EXPECT_EQ(entries(field<OnDemandComboBox>("queryCategory")), QStringList({"男装", "女装"}));
    EXPECT_EQ(entries(field<OnDemandComboBox>("querySupplier")), QStringList({"", "甲厂", "乙厂"}));
    for (const auto &list : in)
        EXPECT_EQ(list->currentText(), "");
    EXPECT_EQ(field<QComboBox>("queryCategory")->currentText(), "");
    EXPECT_EQ(field<QComboBox>("querySupplier")->currentText(), "");

    EXPECT_EQ(shown().first(), first);
    EXPECT_EQ(stock.currentRow(), 2);
    EXPECT_EQ(grid()->view()->currentIndex().row(), 2);
    EXPECT_FALSE(main.salePanel()->isVisible());
}

TEST_F(StockQueryTest, GridShowsTheStockRows)
{
    add({{"a", "衬衫"}, {"2", 3.14159}, {"1", 12.5}, {"3", 2.005}, {"5", 1}, {"4", 20}, {"6", 20},
         {"7", 2.14159}, {"8", 26.76987}, {"g", "甲厂"}, {"z", QVariant()}});
    add({{"a", "裙子"}, {"2", 0.00004}, {"3", 0.00006}, {"7", 0}});
    click("allRecords");
    const QStringList expected = {"衬衫", "", "", "", "3.142", "12.5", "2.01", "1", "20", "20", "2.142", "26.77",
                                  "2014-07-01", "甲厂", ""};
    for (int c = 0; c < expected.size(); ++c)
        EXPECT_EQ(cell(0, c), expected.at(c)) << c;
    const DatasetModel &model = *grid()->model();
    EXPECT_EQ(model.headerData(4, Qt::Horizontal).toString(), "数 量");
    EXPECT_EQ(model.data(model.index(0, 4), Qt::TextAlignmentRole).toInt() & Qt::AlignRight, Qt::AlignRight);
    EXPECT_EQ(model.data(model.index(0, 12), Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
    const QStringList footer = {"总计", "", "", "", "3.1416", "", "2.0051", "1", "", "20", "2.1416", "26.7699",
                                "", "", ""};
    for (int c = 0; c < footer.size(); ++c)
        EXPECT_EQ(model.footerText(c), footer.at(c)) << c;
}

TEST_F(StockQueryTest, TitleClickSortsAndHidesThePanels)
{
    for (double q : {3.0, 12.0, 7.5})
        add({{"7", q}});
    click("allRecords");
    main.salePanel()->show();
    main.stockInPanel()->show();
    int sorts = 0;
    QObject::connect(view, &StockQueryView::sorted, [&] { ++sorts; });

    clickTitle(grid()->view()->horizontalHeader(), 10); // "存 货", "数 量"
    EXPECT_EQ(stock.value(0, "7").toDouble(), 12);
    EXPECT_EQ(sorts, 1);
    EXPECT_FALSE(main.salePanel()->isVisible());
    EXPECT_FALSE(main.stockInPanel()->isVisible());
}

TEST_F(StockQueryTest, RowSignalsAndFirstShow)
{
    add({});
    add({});
    click("allRecords");
    QList<int> clicked, doubleClicked;
    QObject::connect(view, &StockQueryView::rowClicked, [&](int row) { clicked << row; });
    QObject::connect(view, &StockQueryView::rowDoubleClicked, [&](int row) { doubleClicked << row; });
    clickRow(view->grid(), 0);
    doubleClickRow(view->grid(), 1);
    EXPECT_EQ(clicked, QList<int>({0, 1}));
    EXPECT_EQ(doubleClicked, QList<int>({1}));
    EXPECT_EQ(field<QDateEdit>("queryFrom")->date(), shop.clock.today());
    EXPECT_EQ(field<QDateEdit>("queryTo")->date(), shop.clock.today());
    EXPECT_EQ(field("alarmNumber")->text(), "5");
}

TEST(StockQueryFirstShowTest, StoredAlarmNumberIsRestored)
{
    TestShop shop;
    shop.settings.write("number", "12");
    shop.windows();
    EXPECT_EQ(shop.windows().findChild<QLineEdit *>("alarmNumber")->text(), "12");
    EXPECT_EQ(shop.settings.read("number"), "12");
}

TEST_F(StockQueryTest, RestrictedColumnsSurviveARestoredLayout)
{
    view->saveLayout(); // every column shown
    view->hideColumns({"1", "3", "8"});
    view->restoreLayout();
    for (const char *f : {"1", "3", "8"})
        EXPECT_TRUE(grid()->isFieldHidden(f)) << f;
    EXPECT_FALSE(grid()->isFieldHidden("2"));
}

} // namespace
