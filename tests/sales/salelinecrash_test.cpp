#include "sales/salecorrection.h"

#include "sales/salelines.h"
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

// Articles whose prices add up exactly in binary, so the checks compare exact values.
struct Article {
    const char *code;
    double purchasePrice;
    double price;
    double bought;
};
constexpr Article kArticles[] = {{"A01", 10.5, 20, 5000}, {"B02", 3.25, 7.75, 5000}, {"C03", 40, 59, 5000}};
constexpr int kLinesPerArticle = 1500;

// The child: deletes sale lines one after another, in an order of its own, until it is killed.
// It touches no widget and leaves with _exit.
[[noreturn]] void deleteForever(const QString &fileName, unsigned seed)
{
    int status = 0;
    try {
        Database db(fileName);
        db.open();
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
    const QString fileName = shop.db.fileName();
    const QString journal = fileName + QStringLiteral("-journal");

    std::mt19937 random(std::random_device{}());
    const unsigned seed = random();
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    int killedMidWrite = 0;
    const long long linesAtStart = shop.scalar("select count(*) from data1").toLongLong();
    long long lines = linesAtStart;
    for (int round = 0; round < 25; ++round) {
        shop.db.close(); // the child must not inherit an open connection
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            deleteForever(fileName, seed + unsigned(round));
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
            EXPECT_EQ(shop.scalar("select [7] from data where ID=?", {key}).toDouble(), a.bought - sold);
            EXPECT_EQ(shop.scalar("select [8] from data where ID=?", {key}).toDouble(),
                      (a.bought - sold) * a.purchasePrice);
        }
        if (::testing::Test::HasFailure())
            break;
        lines = shop.scalar("select count(*) from data1").toLongLong();
    }
    EXPECT_LT(lines, linesAtStart) << "the child never got to delete";
    EXPECT_GT(lines, 0) << "the child ran out of lines: give it more";
    std::cout << "[          ] " << linesAtStart - lines << " sale lines deleted, " << killedMidWrite
              << " of 25 kills landed inside a write\n";
}

} // namespace
