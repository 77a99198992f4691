#include "sales/saleslistings.h"

#include "data/routines.h"
#include "sales/salelines.h"
#include "support/engines.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

// Sale lines in a database, and the keys a listing gives, in its order; on a shop file and on a
// shop on a server.
class SalesListingsTest : public ShopOnEngine {
protected:
    long long line(const QVariantHash &values)
    {
        return addSaleLine(shop, {{"a", "衬衫"}, {"3", 1}, {"4", 50}, {"day1", "2014-07-10"}}, values);
    }
    QList<long long> listed(const Statement &statement)
    {
        routines::open(sales, statement);
        QList<long long> keys;
        for (int r = 0; r < sales.recordCount(); ++r)
            keys << sales.key(r);
        return keys;
    }
    QSet<long long> listedSet(const Statement &statement)
    {
        const QList<long long> keys = listed(statement);
        return QSet<long long>(keys.cbegin(), keys.cend());
    }

    Dataset &sales = shop.data.salesQuery;
};

INSTANTIATE_ON_BOTH_ENGINES(SalesListingsTest);

TEST_P(SalesListingsTest, ThisMonthListsTheSameLinesAsTheMonthsDatePatterns)
{
    const char *const days[] = {"2013-12-31", "2014-01-01", "2014-01-31", "2014-02-01", "2013-01-15",
                                "2014-07-29", "2014-07-01", "2014-12-31", "2015-01-01", "2014-12-01"};
    for (const char *day : days)
        line({{"day1", day}});
    // January looks for -01- in the date, December must not run into the next year.
    for (const QDate today : {QDate(2014, 1, 20), QDate(2014, 7, 29), QDate(2014, 12, 1), QDate(2015, 1, 1)}) {
        const Statement patterns(QStringLiteral("select * from data1 where day1 like ? and day1 like ?"),
                                 {today.toString("yyyy-%"), today.toString("%-MM-%")});
        const QSet<long long> expected = listedSet(patterns);
        EXPECT_FALSE(expected.isEmpty()) << today.toString().toStdString();
        EXPECT_EQ(listedSet(saleslistings::thisMonth(today)), expected) << today.toString().toStdString();
    }
}

TEST_P(SalesListingsTest, FullListingsComeInDateOrder)
{
    const long long late = line({{"day1", "2014-07-20"}});
    const long long early = line({{"day1", "2014-06-01"}});
    const long long back = line({{"day1", "2014-06-15"}, {"3", -1}, {"4", -50}});
    const long long zero = line({{"day1", "2014-05-01"}, {"3", 0}});
    EXPECT_EQ(listed(saleslistings::allRecords()), QList<long long>({zero, early, back, late}));
    EXPECT_EQ(listed(saleslistings::allReturns()), QList<long long>({back}));
}

TEST_P(SalesListingsTest, EachConditionSearchesItsColumnAsTyped)
{
    struct Case {
        const char *column;
        QString SalesConditions::*field;
    };
    const Case cases[] = {
        {"d", &SalesConditions::category}, {"e", &SalesConditions::name},     {"c", &SalesConditions::code},
        {"f", &SalesConditions::model},     {"g", &SalesConditions::customer}, {"j", &SalesConditions::remark},
    };
    // Typed signs are plain characters; a trailing blank stays part of the text; letters match
    // without regard to case, as the initials are searched.
    const QString longText(3000, QChar(u'裤'));
    const struct {
        QString stored, typed;
        bool found;
    } texts[] = {
        {"NZK", "nz", true},          {"it's", "t'", true},          {"10%off", "0%o", true},
        {"100 off", "0%o", false},    {"a_b", "a_b", true},          {"axb", "a_b", false},
        {"长裤 ", "裤 ", true},       {"长裤", "裤 ", false},        {longText, longText, true},
        {"😀表情", "😀", true},       {"😀表情", "😁", false},
    };
    for (const Case &c : cases) {
        for (const auto &t : texts) {
            shop.exec("delete from data1");
            const long long key = line({{c.column, t.stored}});
            line({{c.column, "其他"}});
            SalesConditions conditions;
            conditions.*c.field = t.typed;
            const QList<long long> expected = t.found ? QList<long long>{key} : QList<long long>{};
            EXPECT_EQ(listed(saleslistings::sales(conditions, shop.db.hasSaleTextIndex())), expected) << c.column << " " << t.typed.left(20).toStdString();
        }
    }
}

TEST_P(SalesListingsTest, SalesNeverListReturnsNorReturnsSales)
{
    const long long sold = line({{"g", "张三"}, {"3", 0.4}});
    const long long back = line({{"g", "张三"}, {"3", -2}});
    line({{"g", "张三"}, {"3", 0}}); // quantity 0: in neither
    SalesConditions conditions;
    conditions.customer = QStringLiteral("张");
    EXPECT_EQ(listed(saleslistings::sales(conditions, shop.db.hasSaleTextIndex())), QList<long long>({sold}));
    EXPECT_EQ(listed(saleslistings::returns(conditions, shop.db.hasSaleTextIndex())), QList<long long>({back}));
    EXPECT_EQ(listed(saleslistings::sales({})), QList<long long>({sold}));
}

TEST_P(SalesListingsTest, ConditionsCombineWithTheInclusiveDateRange)
{
    const long long first = line({{"d", "裤子"}, {"day1", "2014-07-01"}});
    const long long last = line({{"d", "裤子"}, {"day1", "2014-07-03"}});
    line({{"d", "裤子"}, {"day1", "2014-07-04"}});
    line({{"d", "上衣"}, {"day1", "2014-07-02"}});
    line({{"d", "裤子"}, {"day1", "2014-06-30"}});
    SalesConditions conditions;
    conditions.category = QStringLiteral("裤");
    conditions.dateRange = true;
    conditions.from = QDate(2014, 7, 1);
    conditions.to = QDate(2014, 7, 3);
    EXPECT_EQ(listedSet(saleslistings::sales(conditions, shop.db.hasSaleTextIndex())), QSet<long long>({first, last}));
    conditions.dateRange = false;
    EXPECT_EQ(listed(saleslistings::sales(conditions, shop.db.hasSaleTextIndex())).size(), 4);
}

TEST_P(SalesListingsTest, OrderNumberIsASubstringSearchOfTheTrimmedText)
{
    const long long order = line({{"z", "20140729001"}});
    const long long longer = line({{"z", "201407290012"}});
    line({{"z", "20140729002"}});
    EXPECT_EQ(listedSet(saleslistings::orderNumber("  20140729001 ", shop.db.hasSaleTextIndex())), QSet<long long>({order, longer}));
    EXPECT_EQ(listed(saleslistings::orderNumber("2014'07", shop.db.hasSaleTextIndex())), QList<long long>());
    EXPECT_EQ(listed(saleslistings::orderNumber("%", shop.db.hasSaleTextIndex())), QList<long long>());
    EXPECT_EQ(listed(saleslistings::orderNumber("", shop.db.hasSaleTextIndex())).size(), 3);
}

TEST(SalesListingsInAFile, MonthAndAllRecordsReadTheDateIndex)
{
    TestShop shop;
    // A month is a part of the date index, and every line by date is the index in its order:
    // neither reads every sale line to choose or sort them.
    auto plan = [&](const Statement &listing) {
        QString text;
        shop.db.query(Statement(QStringLiteral("explain query plan ") + listing.sql, listing.params),
                      [&](const ResultRow &row) { text += row.value(3).toString() + "; "; });
        return text;
    };
    const QString month = plan(saleslistings::thisMonth(QDate(2014, 7, 29)));
    EXPECT_TRUE(month.contains("USING INDEX data1_by_day (day1>? AND day1<?)")) << month.toStdString();
    const QString all = plan(saleslistings::allRecords());
    EXPECT_TRUE(all.contains("data1_by_day") && !all.contains("TEMP B-TREE")) << all.toStdString();
}

} // namespace
