#include "stock/stockconditions.h"

#include <gtest/gtest.h>

namespace {

struct ConditionsCase {
    const char *what;
    StockConditions conditions;
    const char *sql; // between "select * from data where [2]>0" and the key order
    QVariantList params;
};

void PrintTo(const ConditionsCase &c, std::ostream *os)
{
    *os << c.what;
}

StockConditions with(void (*fill)(StockConditions &))
{
    StockConditions c;
    fill(c);
    return c;
}

const char *const kLike = " like ? escape '\\'";

class StockConditionsTest : public testing::TestWithParam<ConditionsCase> {};

TEST_P(StockConditionsTest, BuildsTheStatement)
{
    const ConditionsCase &c = GetParam();
    const Statement s = stockConditionsStatement(QStringLiteral("where [2]>0"), c.conditions);
    EXPECT_EQ(s.sql, QStringLiteral("select * from data where [2]>0") + QString::fromUtf8(c.sql).replace("~", kLike) +
                         QStringLiteral(" order by ID"));
    EXPECT_EQ(s.params, c.params);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, StockConditionsTest,
    testing::Values(
        ConditionsCase{"nothing filled in", {}, "", {}},
        ConditionsCase{"name and code",
                       with([](StockConditions &c) {
                           c.name = "yf";
                           c.code = "12";
                       }),
                       " and e~ and c~", {"%yf%", "%12%"}},
        ConditionsCase{"every field, in the fixed order",
                       with([](StockConditions &c) {
                           c.supplier = "厂";
                           c.remark = "新";
                           c.code = "69";
                           c.model = "hs";
                           c.name = "nzk";
                           c.category = "男装";
                           c.dateRange = true;
                           c.from = QDate(2014, 7, 1);
                           c.to = QDate(2014, 7, 29);
                       }),
                       " and d~ and e~ and f~ and c~ and z~ and g~ and day1>=? and day1<=?",
                       {"%男装%", "%nzk%", "%hs%", "%69%", "%新%", "%厂%", "2014-07-01", "2014-07-29"}},
        ConditionsCase{"date range unticked",
                       with([](StockConditions &c) {
                           c.from = QDate(2014, 7, 1);
                           c.to = QDate(2014, 7, 29);
                       }),
                       "", {}},
        ConditionsCase{"signs match literally, blanks are kept",
                       with([](StockConditions &c) {
                           c.name = "50%_";
                           c.remark = " a\\b' ";
                       }),
                       " and e~ and z~", {"%50\\%\\_%", "% a\\\\b' %"}}));

} // namespace
