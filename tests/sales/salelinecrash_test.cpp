#include "sales/salecorrection.h"

#include "sales/salelines.h"
#include "support/killrounds.h"
#include "support/testapp.h"

#include <gtest/gtest.h>

#include <iostream>
#include <random>
#include <unistd.h>

namespace {

// Articles whose prices add up exactly in binary, so the checks compare exact values.
struct Article {
    const char *code;
    double purchasePrice;
    double price;
    double bought;
};
constexpr Article kArticles[] = {{"A01", 10.5, 20, 20000}, {"B02", 3.25, 7.75, 20000}, {"C03", 40, 59, 20000}};
// Enough lines that a fast machine does not delete them all in the test's rounds.
constexpr int kLinesPerArticle = 12000;

// The child: deletes sale lines one after another, in an order of its own, until it is killed.
// It touches no widget and leaves with _exit.
[[noreturn]] void deleteForever(const QString &fileName, unsigned seed)
{
    int status = 0;
    try {
        Database db(fileName);
        db.open();
        markChildReady();
        std::mt19937 random(seed);
        for (;;) {
            const QVariant key = db.scalar(Statement(QStringLiteral("SELECT ID FROM data1 ORDER BY (ID * ?) % 7919 LIMIT 1"),
                                                     {qlonglong(random() % 7000 + 1)}));
            if (key.isNull())
                break;
            deleteSaleLine(db, key.toLongLong());
        }
        status = 4; // every line deleted before the kill
    } catch (...) {
        status = 3;
    }
    _exit(status);
}

TEST(SaleLineCrashSafety, KilledDeletionsNeverLeaveAHalfGivenBackLine)
{
    TestShop shop;
    QList<long long> keys;
    const double quantities[] = {1, 2, 3, -1};
    // Each stock row records exactly the lines sold from it.
    inTransaction(shop.db, [&] {
        for (const Article &a : kArticles) {
            double sold = 0, amount = 0;
            const QString code = QString::fromLatin1(a.code);
            for (int i = 0; i < kLinesPerArticle; ++i) {
                const double q = quantities[i % 4];
                sold += q;
                amount += q * a.price;
                addSaleLine(shop, {{"a", "衣服"}, {"c", code}, {"d", "女装"}, {"1", a.purchasePrice}, {"2", a.price},
                                   {"3", q}, {"4", q * a.price}, {"day1", "2014-07-29"}, {"day2", "2014-07-01"}});
            }
            keys << shop.addStockRow({{"a", "衣服"},
                                      {"c", code},
                                      {"d", "女装"},
                                      {"1", a.purchasePrice},
                                      {"2", a.bought},
                                      {"5", sold},
                                      {"6", amount},
                                      {"7", a.bought - sold},
                                      {"8", (a.bought - sold) * a.purchasePrice},
                                      {"day1", "2014-07-01"}});
        }
    });
    QList<LedgerRow> ledger;
    for (int i = 0; i < keys.size(); ++i)
        ledger.append({keys.at(i), QString::fromLatin1(kArticles[i].code), kArticles[i].bought, kArticles[i].purchasePrice});
    const QString fileName = shop.db.fileName();
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    const long long linesAtStart = shop.scalar("select count(*) from data1").toLongLong();
    const int killedMidWrite =
        killRounds(shop, 25, ledger, [&](unsigned round) { deleteForever(fileName, seed + round); });
    const long long lines = shop.scalar("select count(*) from data1").toLongLong();
    EXPECT_LT(lines, linesAtStart) << "the child never got to delete";
    EXPECT_GT(lines, 0) << "the child ran out of lines: give it more";
    std::cout << "[          ] " << linesAtStart - lines << " sale lines deleted, " << killedMidWrite
              << " of 25 kills landed inside a write\n";
}

} // namespace
