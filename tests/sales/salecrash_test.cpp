#include "sales/saleposting.h"

#include "data/dataset.h"
#include "sales/ordernumber.h"
#include "support/engines.h"
#include "support/killrounds.h"
#include "support/salerecord.h"

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

const QDate kToday(2014, 7, 29);
// What a child notes of a sale before posting it; once it is posted, the sale's order number.
const QString kPosting = QStringLiteral("posting");

// The child: sells in a loop through the posting the sale panel uses, each time from the stock row
// as it is loaded now, opening a new order every three sales, until it is killed. Each sale is
// noted as begun before its posting and as confirmed after it. It touches no widget and leaves
// with _exit.
[[noreturn]] void sellForever(const TestShop &shop, const QList<long long> &keys, unsigned round, unsigned seed)
{
    int status = 0;
    try {
        const std::unique_ptr<Database> connection = shop.otherConnection();
        Database &db = *connection;
        FILE *record = fopen(shop.path(QStringLiteral("round%1.txt").arg(round)).toLocal8Bit().constData(), "w");
        markChildReady();
        Dataset rows(db, QStringLiteral("rows"));
        std::mt19937 random(seed);
        const double quantities[] = {1, 2, 3, -1};
        const QString claimant = QStringLiteral("round%1").arg(round);
        long long counter = 0;
        for (long long n = 0;; ++n) {
            if (n % 3 == 0)
                counter = claimOrderCounter(db, kToday, counter + 1, claimant);
            const int article = int(random() % keys.size());
            rows.open(Statement(QStringLiteral("select * from data where ID=?"), {keys.at(article)}));
            SaleEntry entry;
            entry.price = QString::number(kArticles[article].price);
            entry.quantity = QString::number(quantities[random() % 4]);
            entry.owed = QStringLiteral("0");
            entry.saleDate = kToday.toString(Qt::ISODate);
            entry.orderNumber = buildOrderNumber(kToday, counter);
            entry.customer = QStringLiteral("顾客");
            entry.remark = QStringLiteral("%1#%2").arg(claimant).arg(n);
            note(record, entry.remark, kPosting);
            postSale(db, LoadedStock::fromRow(rows, 0), entry);
            note(record, entry.remark, entry.orderNumber);
        }
    } catch (...) {
        status = 3;
    }
    _exit(status);
}

// A till killed at random moments while it posts, round after round, on a shop file and on a shop
// on a server: each sale is stored whole or not at all.
class SaleCrashSafety : public ShopOnEngine {};

INSTANTIATE_ON_BOTH_ENGINES(SaleCrashSafety);

TEST_P(SaleCrashSafety, KilledPostingsNeverLeaveAHalfWrittenSale)
{
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
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    constexpr int kRounds = 25;
    const int killedMidWrite = killRounds(shop, kRounds, ledger, [&](unsigned round) {
        sellForever(shop, keys, round, seed + round);
    });

    // Every sale the till confirmed is stored, in its order; one it was posting when it was killed
    // may be stored or not; no order holds the sales of two rounds.
    QHash<QString, QString> confirmed;
    QSet<QString> unsure;
    int killedMidPosting = 0;
    for (int round = 0; round < kRounds; ++round) {
        const QHash<QString, QString> noted = readRecord(shop.path(QStringLiteral("round%1.txt").arg(round)));
        for (auto it = noted.cbegin(); it != noted.cend(); ++it) {
            if (it.value() == kPosting)
                unsure.insert(it.key());
            else
                confirmed.insert(it.key(), it.value());
        }
        killedMidPosting += int(noted.values().contains(kPosting));
    }
    expectEverySaleOnceInOrdersOfItsOwn(shop, confirmed, {}, unsure);
    const long long lines = shop.scalar("select count(*) from data1").toLongLong();
    EXPECT_GT(lines, 0) << "the child never got to post";
    std::cout << "[          ] " << lines << " sale lines posted, " << killedMidPosting << " of " << kRounds
              << " kills landed inside a posting";
    if (!shop.db.onServer())
        std::cout << ", " << killedMidWrite << " inside a write";
    std::cout << "\n";
}

} // namespace
