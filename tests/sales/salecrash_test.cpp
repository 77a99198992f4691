#include "sales/saleposting.h"

#include "data/dataset.h"
#include "support/testapp.h"

#include <QFile>
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// Articles with prices that add up exactly in binary, so the checks compare exact values.
struct Article {
    const char *code;
    double purchasePrice;
    double price;
    double stock;
};
constexpr Article kArticles[] = {{"A01", 10.5, 20, 1000}, {"B02", 3.25, 7.75, 1000}, {"C03", 40, 59, 1000}};

// The child: sells in a loop through the posting the sale panel uses, each time from the stock row
// as it is loaded now, until it is killed. It touches no widget and leaves with _exit.
[[noreturn]] void sellForever(const QString &fileName, const QList<long long> &keys, unsigned seed)
{
    int status = 0;
    try {
        Database db(fileName);
        db.open();
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
    const QString fileName = shop.db.fileName();
    const QString journal = fileName + QStringLiteral("-journal");

    std::mt19937 random(std::random_device{}());
    const unsigned seed = random();
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    int killedMidWrite = 0;
    long long lines = 0;
    for (int round = 0; round < 25; ++round) {
        shop.db.close(); // the child must not inherit an open connection
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            sellForever(fileName, keys, seed + unsigned(round));
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 120));
        ASSERT_EQ(kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the child stopped by itself with status " << WEXITSTATUS(status);
        if (QFile::exists(journal))
            ++killedMidWrite;

        shop.db.open(); // rolls back whatever the killed child left half done
        for (int i = 0; i < keys.size(); ++i) {
            const Article &a = kArticles[i];
            const QString code = QString::fromLatin1(a.code);
            SCOPED_TRACE(::testing::Message() << "round " << round << ", article " << a.code);
            const double sold = shop.scalar("select coalesce(sum([3]), 0) from data1 where c=?", {code}).toDouble();
            const double amount = shop.scalar("select coalesce(sum([4]), 0) from data1 where c=?", {code}).toDouble();
            const QVariant key = keys.at(i);
            EXPECT_EQ(shop.scalar("select [5] from data where ID=?", {key}).toDouble(), sold);
            EXPECT_EQ(shop.scalar("select [6] from data where ID=?", {key}).toDouble(), amount);
            EXPECT_EQ(shop.scalar("select [7] from data where ID=?", {key}).toDouble(), a.stock - sold);
            EXPECT_EQ(shop.scalar("select [8] from data where ID=?", {key}).toDouble(),
                      (a.stock - sold) * a.purchasePrice);
        }
        if (::testing::Test::HasFailure())
            break;
        lines = shop.scalar("select count(*) from data1").toLongLong();
    }
    EXPECT_GT(lines, 0) << "the child never got to post";
    std::cout << "[          ] " << lines << " sale lines posted, " << killedMidWrite
              << " of 25 kills landed inside a write\n";
}

} // namespace
