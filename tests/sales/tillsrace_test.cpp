// Several programs on one database file at once (a second till, the owner's desk): each is a
// child process with its own connection, selling, taking back and deleting sale lines with a
// think time between loading a stock row and confirming, as a person at a till does.
#include "data/dataset.h"
#include "sales/ordernumber.h"
#include "sales/salecorrection.h"
#include "sales/saleposting.h"
#include "support/engines.h"
#include "support/killrounds.h"
#include "support/salerecord.h"

#include <QHash>
#include <QSet>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// Prices that add up exactly in binary, so the checks compare exact values.
struct Article {
    QString code;
    double purchasePrice;
    double price;
    double bought;
};

const QDate kToday(2014, 7, 29);

// A shop whose stock rows are the articles, all of one name, model, category and stock-in date.
struct RaceShop {
    std::unique_ptr<TestShop> owned;
    TestShop &shop;
    QList<Article> articles;
    QHash<QString, long long> keys; // by code

    RaceShop(TestShop::Engine engine, const QList<Article> &list)
        : owned(TestShop::on(engine)), shop(*owned), articles(list)
    {
        for (const Article &a : articles) {
            keys.insert(a.code, shop.addStockRow({{"a", QStringLiteral("衬衫")},
                                                  {"b", QStringLiteral("L")},
                                                  {"c", a.code},
                                                  {"d", QStringLiteral("上衣")},
                                                  {"1", a.purchasePrice},
                                                  {"2", a.bought},
                                                  {"4", a.price},
                                                  {"5", 0.0},
                                                  {"6", 0.0},
                                                  {"7", a.bought},
                                                  {"8", a.bought * a.purchasePrice},
                                                  {"day1", QStringLiteral("2014-07-01")}}));
        }
    }

    // What a program reports it did, one line per confirmed action, in its own file.
    QString record(int program) const { return shop.path(QStringLiteral("program%1.txt").arg(program)); }
    const Article &article(const QString &code) const
    {
        for (const Article &a : articles) {
            if (a.code == code)
                return a;
        }
        throw std::logic_error("no such article");
    }

    // Runs each program in a child process of its own at the same time and waits for all of them.
    void runAtOnce(const QList<std::function<void()>> &programs)
    {
        shop.db.close(); // no child inherits an open connection
        QList<pid_t> children;
        for (const auto &program : programs) {
            const pid_t child = fork();
            ASSERT_GE(child, 0) << "fork failed";
            if (child == 0) {
                int status = 0;
                try {
                    program();
                } catch (const UserVisibleError &e) {
                    fprintf(stderr, "program failed: %s\n", qUtf8Printable(e.text()));
                    status = 3;
                } catch (const std::exception &e) {
                    fprintf(stderr, "program failed: %s\n", e.what());
                    status = 3;
                }
                _exit(status);
            }
            children << child;
        }
        for (const pid_t child : children) {
            int status = 0;
            EXPECT_EQ(waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a program stopped with an error";
        }
        shop.db.open();
    }

    // Every stock row equals its start minus the sum of its sale lines, in all four figures.
    void expectStockAgreesWithLines()
    {
        for (const Article &a : articles) {
            expectRowAgreesWithLines(shop, {keys.value(a.code), a.code, a.bought, a.purchasePrice});
            EXPECT_GE(shop.scalar("select [7] from data where c=?", {a.code}).toDouble(), 0)
                << a.code.toStdString() << " sold below zero";
        }
    }

    // The sale lines the tills confirmed (their remark `j`) with the order each went into.
    QHash<QString, QString> confirmed(const QList<int> &tills) const
    {
        QHash<QString, QString> lines;
        for (int till : tills)
            lines.insert(readRecord(record(till)));
        return lines;
    }
};

// A till: `sales` sales of the shared article and of its own, a new order every three sales, each
// loaded, thought about for up to 20 ms and confirmed through the program's posting.
void sellAtTill(const RaceShop &race, int till, int sales, const QStringList &codes, unsigned seed)
{
    const std::unique_ptr<Database> connection = race.shop.otherConnection();
    Database &db = *connection;
    Dataset rows(db, QStringLiteral("rows"));
    FILE *record = fopen(race.record(till).toLocal8Bit().constData(), "w");
    std::mt19937 random(seed);
    const double quantities[] = {1, 2, 3, -1};
    const QString claimant = QStringLiteral("till%1").arg(till);
    long long counter = 0;
    for (int n = 0; n < sales; ++n) {
        if (n % 3 == 0)
            counter = claimOrderCounter(db, kToday, counter + 1, claimant);
        const QString code = codes.at(int(random() % codes.size()));
        rows.open(Statement(QStringLiteral("select * from data where ID=?"), {race.keys.value(code)}));
        const LoadedStock loaded = LoadedStock::fromRow(rows, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 20));
        SaleEntry entry;
        entry.price = QString::number(race.article(code).price);
        entry.quantity = QString::number(quantities[random() % 4]);
        entry.owed = QStringLiteral("0");
        entry.saleDate = kToday.toString(Qt::ISODate);
        entry.orderNumber = buildOrderNumber(kToday, counter);
        entry.remark = QStringLiteral("%1#%2").arg(claimant).arg(n);
        try {
            postSale(db, loaded, entry);
        } catch (const StockShortage &) {
            continue; // refused: the other tills sold the stock meanwhile
        }
        note(record, entry.remark, entry.orderNumber);
    }
    fclose(record);
}

// Every race runs on one shop file and on one shop on a server.
class SharedShop : public ::testing::TestWithParam<TestShop::Engine> {};

INSTANTIATE_ON_BOTH_ENGINES(SharedShop);

TEST_P(SharedShop, TillsSellingAtOnceLoseNoSaleAndShareNoOrder)
{
    // A01 is sold by every till and runs out; each till also sells an article of its own.
    RaceShop race(GetParam(), {{"A01", 10.5, 20, 150}, {"P1", 3.25, 7.75, 1000}, {"P2", 3.25, 7.75, 1000},
                   {"P3", 3.25, 7.75, 1000}, {"P4", 3.25, 7.75, 1000}});
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    const QList<int> tills{1, 2, 3, 4};
    QList<std::function<void()>> programs;
    for (int till : tills) {
        const QStringList codes{"A01", "A01", QStringLiteral("P%1").arg(till)};
        programs << [&race, till, codes, seed] { sellAtTill(race, till, 45, codes, seed + unsigned(till)); };
    }
    race.runAtOnce(programs);
    race.expectStockAgreesWithLines();
    expectEverySaleOnceInOrdersOfItsOwn(race.shop, race.confirmed(tills), {});
}

TEST_P(SharedShop, ADeletionGivingStockBackWhileTillsSellKeepsTheStockTrue)
{
    RaceShop race(GetParam(), {{"A01", 10.5, 20, 400}});
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    const QList<int> tills{1, 2, 3};
    QList<std::function<void()>> programs;
    for (int till : tills)
        programs << [&race, till, seed] { sellAtTill(race, till, 45, {"A01"}, seed + unsigned(till)); };
    // The owner's desk deletes sale lines as they come in, giving their stock back.
    programs << [&race, seed] {
        const std::unique_ptr<Database> connection = race.shop.otherConnection();
        Database &db = *connection;
        FILE *record = fopen(race.record(0).toLocal8Bit().constData(), "w");
        std::mt19937 random(seed);
        for (int n = 0; n < 40; ++n) {
            long long key = -1;
            QString remark;
            db.query(Statement(QStringLiteral("select ID, j from data1 order by random() limit 1")),
                     [&](const ResultRow &row) {
                         key = row.integer(0);
                         remark = row.text(1);
                     });
            std::this_thread::sleep_for(std::chrono::milliseconds(5 + random() % 20));
            if (key < 0)
                continue;
            try {
                deleteSaleLine(db, key);
            } catch (const DbError &) {
                continue; // deleted already: cannot happen with one desk, but is no fault
            }
            note(record, remark, QStringLiteral("deleted"));
        }
        fclose(record);
    };
    race.runAtOnce(programs);
    race.expectStockAgreesWithLines();
    const QHash<QString, QString> deletions = readRecord(race.record(0));
    QSet<QString> deleted(deletions.keyBegin(), deletions.keyEnd());
    EXPECT_FALSE(deleted.isEmpty()) << "the desk deleted nothing";
    expectEverySaleOnceInOrdersOfItsOwn(race.shop, race.confirmed(tills), deleted);
}

} // namespace
