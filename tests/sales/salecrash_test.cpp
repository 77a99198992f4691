#include "sales/saleposting.h"

#include "data/dataset.h"
#include "support/killrounds.h"
#include "support/testapp.h"

#include <gtest/gtest.h>

#include <iostream>
#include <random>
#include <unistd.h>

namespace {

// Articles with prices that add up exactly in binary, so the checks compare exact values.
struct Article {
    const char *code;
    double purchasePrice;
    double price;
    double stock;
};
// Stock enough that a fast machine does not sell it out in the test's rounds: a sale the stock no longer
// covers is refused, which would end the child.
constexpr Article kArticles[] = {{"A01", 10.5, 20, 1000000}, {"B02", 3.25, 7.75, 1000000}, {"C03", 40, 59, 1000000}};

// The child: sells in a loop through the posting the sale panel uses, each time from the stock row
// as it is loaded now, until it is killed. It touches no widget and leaves with _exit.
[[noreturn]] void sellForever(const QString &fileName, const QList<long long> &keys, unsigned seed)
{
    int status = 0;
    try {
        Database db(fileName);
        db.open();
        markChildReady();
        Dataset rows(db, QStringLiteral("rows"));
        std::mt19937 random(seed);
        const double quantities[] = {1, 2, 3, -1};
        for (long long n = 0;; ++n) {
            const int article = int(random() % keys.size());
            rows.open(Statement(QStringLiteral("select * from data where ID=?"), {keys.at(article)}));
            SaleEntry entry;
            entry.price = QString::number(kArticles[article].price);
            entry.quantity = QString::number(quantities[random() % 4]);
            entry.owed = QStringLiteral("0");
            entry.saleDate = QStringLiteral("2014-07-29");
            entry.orderNumber = QStringLiteral("20140729%1").arg(n % 1000, 3, 10, QLatin1Char('0'));
            entry.customer = QStringLiteral("顾客");
            postSale(db, LoadedStock::fromRow(rows, 0), entry);
        }
    } catch (...) {
        status = 3;
    }
    _exit(status);
}

TEST(SaleCrashSafety, KilledPostingsNeverLeaveAHalfWrittenSale)
{
    TestShop shop;
    QList<long long> keys;
    for (const Article &a : kArticles) {
        keys << shop.addStockRow({{"a", QStringLiteral("衣服")},
                                  {"c", QString::fromLatin1(a.code)},
                                  {"1", a.purchasePrice},
                                  {"2", a.stock},
                                  {"4", a.price},
                                  {"5", 0.0},
                                  {"6", 0.0},
                                  {"7", a.stock},
                                  {"8", a.stock * a.purchasePrice},
                                  {"day1", QStringLiteral("2014-07-01")}});
    }
    QList<LedgerRow> ledger;
    for (int i = 0; i < keys.size(); ++i)
        ledger.append({keys.at(i), QString::fromLatin1(kArticles[i].code), kArticles[i].stock, kArticles[i].purchasePrice});
    const QString fileName = shop.db.fileName();
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    const int killedMidWrite =
        killRounds(shop, 25, ledger, [&](unsigned round) { sellForever(fileName, keys, seed + round); });
    const long long lines = shop.scalar("select count(*) from data1").toLongLong();
    EXPECT_GT(lines, 0) << "the child never got to post";
    std::cout << "[          ] " << lines << " sale lines posted, " << killedMidWrite
              << " of 25 kills landed inside a write\n";
}

} // namespace
