#include "common/errors.h"
#include "data/database.h"
#include "stock/stockimport.h"
#include "stock/workbookreader.h"
#include "support/sheets.h"
#include "support/testapp.h"
#include "support/workbooks.h"

#include <QDate>

#include <gtest/gtest.h>

namespace {

using workbooks::Row;

// The header with one column replaced or removed.
Row headerWith(const QString &column, const QVariant &replacement)
{
    Row h = workbooks::header();
    h[h.indexOf(column)] = replacement;
    return h;
}

// The full row under workbooks::header() with one column's value replaced.
Row rowWith(const QString &column, const QVariant &value)
{
    Row r = workbooks::stockRow(QStringLiteral("衣服"), QStringLiteral("XL"), 10, 3, QDate(2014, 7, 29));
    r[workbooks::header().indexOf(column)] = value;
    return r;
}

class StockImportTest : public ::testing::Test {
public:
    TestShop shop;

    int import(const QList<Row> &rows, const QDate &dateOrigin = QDate(1899, 12, 30))
    {
        return stockimport::appendRows(shop.db, [&](SheetReceiver &r) { feedSheet(r, rows, dateOrigin); });
    }
    QString importError(const QList<Row> &rows)
    {
        try {
            import(rows);
        } catch (const UserVisibleError &e) {
            return e.text();
        }
        return QStringLiteral("(imported)");
    }
    qlonglong stockRows() { return shop.scalar(QStringLiteral("select count(*) from data")).toLongLong(); }
    QVariantList row(long long id, const QString &columns)
    {
        QVariantList values;
        const QStringList names = columns.split(QLatin1Char(','));
        for (const QString &c : names)
            values << shop.scalar(QStringLiteral("select [%1] from data where ID=?").arg(c), {id});
        return values;
    }
};

TEST_F(StockImportTest, RowsAreStoredAsTheWorksheetHoldsThem)
{
    const QVariant none;
    // Columns in another order and letter case, with a column the import does not know.
    Row header = workbooks::header();
    header.move(header.indexOf(QStringLiteral("day1")), 0);
    header[header.indexOf(QStringLiteral("a7"))] = QStringLiteral(" A7 ");
    header << QStringLiteral("进货人");
    auto ordered = [&](Row r) {
        r.move(16, 0);
        r << QStringLiteral("老王");
        return r;
    };
    Row first = workbooks::stockRow(QStringLiteral("牛仔裤"), QStringLiteral("XL"), 0.1, 3, QDate(2014, 7, 29));
    first[13] = 99;                       // a7 is not a2 - a5: kept
    first[2] = 6901234567890.0;           // a code written as a number
    first[4] = QStringLiteral("NZK");     // initials given
    Row second = {QStringLiteral("衬衫"), none, none, none, none, none, none, QStringLiteral(" 12.5 "), QStringLiteral("2"),
                  none, none, none, none, none, none, none, QStringLiteral("2014/7/30")};
    EXPECT_EQ(import({header, ordered(first), {}, ordered(second), {none, none, none}}), 2);

    const QString columns = QStringLiteral("a,b,c,d,e,f,g,1,2,3,4,5,6,7,8,z,day1");
    const QVariantList expectedFirst = {QStringLiteral("牛仔裤"), QStringLiteral("XL"), QStringLiteral("6901234567890"),
                                        QStringLiteral("上衣"), QStringLiteral("NZK"), QStringLiteral("XL"),
                                        QStringLiteral("天虹"), 0.1, 3.0, 0.1 * 3, 0.2, 0.0, 0.0, 99.0,
                                        0.1 * 3, QStringLiteral("备注"), QStringLiteral("2014-07-29")};
    EXPECT_EQ(row(1, columns), expectedFirst);
    // Empty cells stay empty, except the initials of a name or model.
    const QVariantList expectedSecond = {QStringLiteral("衬衫"), none, none, none, QStringLiteral("cs"), none, none,
                                         12.5, 2.0, none, none, none, none, none, none, none,
                                         QStringLiteral("2014-07-30")};
    EXPECT_EQ(row(2, columns), expectedSecond);
}

TEST_F(StockImportTest, DatesAreReadInTheFormsWorkbooksWriteThem)
{
    struct Case {
        QVariant cell;
        const char *stored;
        QDate origin = QDate(1899, 12, 30);
    };
    const Case cases[] = {
        {QDate(2014, 7, 29), "2014-07-29"},
        {QStringLiteral("2014-07-29 10:30:00"), "2014-07-29"},
        {QStringLiteral("2014/7/9"), "2014-07-09"},
        {QStringLiteral(" 2014.07.29 "), "2014-07-29"},
        {QStringLiteral("2014年7月29日"), "2014-07-29"},
        {41849, "2014-07-29"},                        // a serial number without its date format
        {41849.75, "2014-07-29"},                     // with a time of day
        {40387, "2014-07-29", QDate(1904, 1, 1)},     // a workbook of the 1904 date system
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.cell.toString().toStdString());
        import({workbooks::header(), rowWith(QStringLiteral("day1"), c.cell)}, c.origin);
        EXPECT_EQ(shop.scalar(QStringLiteral("select day1 from data order by ID desc limit 1")).toString(),
                  QLatin1String(c.stored));
    }
}

TEST_F(StockImportTest, ABadValueAnywhereImportsNothingAndNamesItsCell)
{
    shop.addStockRow({{QStringLiteral("a"), QStringLiteral("旧货")}});
    struct Case {
        const char *column;
        QVariant value;
        const char *message;
    };
    const Case cases[] = {
        {"a2", QStringLiteral("十二"), "工作表 pemrod 第 4 行 I 列（a2 进货数量）：'十二' 不是有效的数值"},
        {"a1", QStringLiteral("1,5"), "工作表 pemrod 第 4 行 H 列（a1 进货单价）：'1,5' 不是有效的数值"},
        {"a7", QDate(2014, 7, 29), "工作表 pemrod 第 4 行 N 列（a7 库存数量）：'2014-07-29' 是日期，不是数值"},
        {"day1", QStringLiteral("2014-02-30"), "工作表 pemrod 第 4 行 Q 列（day1 入库日期）：'2014-02-30' 不是有效的日期"},
        {"day1", QStringLiteral("明天"), "工作表 pemrod 第 4 行 Q 列（day1 入库日期）：'明天' 不是有效的日期"},
        {"day1", QStringLiteral("2014-07-29 下午"), "工作表 pemrod 第 4 行 Q 列（day1 入库日期）：'2014-07-29 下午' 不是有效的日期"},
        {"day1", -3, "工作表 pemrod 第 4 行 Q 列（day1 入库日期）：'-3' 不是有效的日期"},
    };
    const Row good = rowWith(QStringLiteral("a"), QStringLiteral("好货"));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(importError({workbooks::header(), good, good, rowWith(QLatin1String(c.column), c.value), good}),
                  QString::fromUtf8(c.message));
        EXPECT_EQ(stockRows(), 1);
    }
}

TEST_F(StockImportTest, AWorksheetWithoutTheColumnsOrWithoutRowsImportsNothing)
{
    const Row good = rowWith(QStringLiteral("a"), QStringLiteral("好货"));
    Row withoutTwo = workbooks::header();
    withoutTwo[withoutTwo.indexOf(QStringLiteral("a3"))] = QVariant();
    withoutTwo[withoutTwo.indexOf(QStringLiteral("day1"))] = QStringLiteral("日期");
    struct Case {
        QList<Row> rows;
        const char *message;
    };
    const Case cases[] = {
        {{withoutTwo, good}, "工作表 pemrod 缺少列：a3、day1（第一行应是列名 a b c d e f g a1 a2 a3 a4 a5 a6 a7 a8 z day1）"},
        {{headerWith(QStringLiteral("b"), QStringLiteral("A")), good}, "工作表 pemrod 的列名 a 出现了两次（A 列和 B 列）"},
        // The column names must stand in the first row.
        {{{}, workbooks::header(), good}, "工作表 pemrod 缺少列：a、b、c、d、e、f、g、a1、a2、a3、a4、a5、a6、a7、a8、z、day1"
                                          "（第一行应是列名 a b c d e f g a1 a2 a3 a4 a5 a6 a7 a8 z day1）"},
        {{workbooks::header()}, "工作表 pemrod 中没有可导入的数据：第一行的列名下面没有数据行"},
        {{workbooks::header(), {}, {QVariant(), QStringLiteral("  ")}},
         "工作表 pemrod 中没有可导入的数据：第一行的列名下面没有数据行"},
        {{}, "工作表 pemrod 是空的：第一行应是列名 a b c d e f g a1 a2 a3 a4 a5 a6 a7 a8 z day1"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(importError(c.rows), QString::fromUtf8(c.message));
        EXPECT_EQ(stockRows(), 0);
    }
}

TEST_F(StockImportTest, ImportingTwiceStoresEveryRowTwice)
{
    const QList<Row> rows = {workbooks::header(), rowWith(QStringLiteral("a"), QStringLiteral("甲")),
                             rowWith(QStringLiteral("a"), QStringLiteral("乙"))};
    import(rows);
    import(rows);
    EXPECT_EQ(shop.scalar(QStringLiteral("select group_concat(a, '') from data")).toString(), QStringLiteral("甲乙甲乙"));
}

TEST_F(StockImportTest, AReadingStoppedAfterSomeRowsKeepsNoneOfThem)
{
    const QList<Row> rows = {workbooks::header(), rowWith(QStringLiteral("a"), QStringLiteral("甲")),
                             rowWith(QStringLiteral("a"), QStringLiteral("乙"))};
    EXPECT_THROW(stockimport::appendRows(shop.db,
                                         [&](SheetReceiver &r) {
                                             feedSheet(r, rows);
                                             throw ImportCancelled();
                                         }),
                 ImportCancelled);
    EXPECT_EQ(stockRows(), 0);
}

TEST_F(StockImportTest, ADatabaseThatRefusesTheRowsKeepsNoneOfThem)
{
    // A stock table that takes no more than one row, like a full disk would stop the import midway.
    shop.exec(QStringLiteral("create trigger full before insert on data when (select count(*) from data) >= 1 "
                             "begin select raise(abort, '磁盘已满'); end"));
    EXPECT_TRUE(importError({workbooks::header(), rowWith(QStringLiteral("a"), QStringLiteral("甲")),
                             rowWith(QStringLiteral("a"), QStringLiteral("乙"))})
                    .contains(QStringLiteral("磁盘已满")));
    EXPECT_EQ(stockRows(), 0);
}

TEST(StockImportColumns, LettersFollowTheSpreadsheetNaming)
{
    const std::pair<int, const char *> cases[] = {{0, "A"}, {7, "H"}, {25, "Z"}, {26, "AA"}, {51, "AZ"}, {702, "AAA"}};
    for (const auto &[column, letters] : cases)
        EXPECT_EQ(stockimport::columnLetters(column), QLatin1String(letters)) << column;
}

} // namespace
