#include "common/errors.h"
#include "stock/stockrows.h"

#include <QHash>

#include <gtest/gtest.h>

namespace {

StockInTexts texts()
{
    StockInTexts t;
    t.name = QStringLiteral("衣服");
    t.model = QStringLiteral("XL");
    t.code = QStringLiteral("A1");
    t.category = QStringLiteral("上衣");
    t.price = QStringLiteral("0.1");
    t.quantity = QStringLiteral("3");
    t.salePrice = QStringLiteral("0.7");
    t.date = QStringLiteral("2014-07-29");
    return t;
}

QHash<QString, QVariant> asHash(const StockColumns &columns)
{
    QHash<QString, QVariant> h;
    for (const auto &[name, value] : columns)
        h.insert(name, value);
    return h;
}

TEST(StockRows, ConversionRefusesBadNumbersAndDatesNamingTheText)
{
    struct Case {
        QString StockInTexts::*field;
        QString bad;
    };
    const Case cases[] = {{&StockInTexts::price, "."},         {&StockInTexts::price, "1.2.3"},
                          {&StockInTexts::quantity, "3x"},     {&StockInTexts::salePrice, ""},
                          {&StockInTexts::date, "2014-13-01"}, {&StockInTexts::date, "2014-02-30"},
                          {&StockInTexts::date, "2014-  -  "}};
    for (const Case &c : cases) {
        StockInTexts t = texts();
        t.*c.field = c.bad;
        try {
            stockrows::convert(t);
            ADD_FAILURE() << "accepted " << c.bad.toStdString();
        } catch (const ConversionError &e) {
            EXPECT_TRUE(e.text().contains(QLatin1Char('\'') + c.bad + QLatin1Char('\''))) << e.text().toStdString();
        }
    }
}

TEST(StockRows, ComputedNumbersAreStoredAtFifteenSignificantDigits)
{
    const auto added = asHash(stockrows::newRow(stockrows::convert(texts())));
    EXPECT_EQ(added["3"].toDouble(), 0.3);
    EXPECT_EQ(added["8"].toDouble(), 0.3);

    // 3 - 0.1 sold = 2.9, times 0.1; sale price changed: 0.7 * 0.1 = 0.07.
    const auto changed = asHash(stockrows::modifiedRow(stockrows::convert(texts()), 0.1, 99, true));
    EXPECT_EQ(changed["7"].toDouble(), 2.9);
    EXPECT_EQ(changed["8"].toDouble(), 0.29);
    EXPECT_EQ(changed["6"].toDouble(), 0.07);
    EXPECT_EQ(asHash(stockrows::modifiedRow(stockrows::convert(texts()), 0.1, 99, false))["6"].toDouble(), 99.0);
}

} // namespace
