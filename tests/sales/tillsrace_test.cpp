// Several programs on one database file at once (a second till, the owner's desk): each is a
// child process with its own connection, selling, taking back and deleting sale lines with a
// think time between loading a stock row and confirming, as a person at a till does.
#include "data/dataset.h"
#include "sales/ordernumber.h"
#include "sales/salecorrection.h"
#include "sales/saleposting.h"
#include "support/engines.h"
#include "support/killrounds.h"

#include <QFile>
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

    // The sale lines a program confirmed (their remark `j`) with the order each went into.
    QHash<QString, QString> confirmed(int program) const
    {
        QHash<QString, QString> lines;
        QFile f(record(program));
        if (!f.open(QIODevice::ReadOnly))
            return lines;
        for (const QByteArray &line : f.readAll().split('\n')) {
            const QList<QByteArray> parts = line.split('\t');
            if (parts.size() == 2)
                lines.insert(QString::fromUtf8(parts[0]), QString::fromUtf8(parts[1]));
        }
        return lines;
    }
};

// Appends one confirmed action to a program's record.
void note(FILE *record, const QString &first, const QString &second)
{
    fprintf(record, "%s\t%s\n", first.toUtf8().constData(), second.toUtf8().constData());
    fflush(record);
}

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

// Checks that every confirmed sale is stored once, that nothing unconfirmed is, and that no order
// holds the lines of two tills.
void expectEverySaleOnceInOrdersOfItsOwn(RaceShop &race, const QList<int> &tills, const QSet<QString> &deleted)
{
    QHash<QString, QString> confirmed;
    for (int till : tills)
        confirmed.insert(race.confirmed(till));
    ASSERT_FALSE(confirmed.isEmpty()) << "no till got to sell";
    Dataset lines(race.shop.db, QStringLiteral("lines"));
    lines.open(Statement("select j, z from data1"));
    QHash<QString, QString> stored;
    QHash<QString, QSet<QString>> tillsOfOrder;
    for (int row = 0; row < lines.recordCount(); ++row) {
        const QString remark = lines.value(row, "j").toString(), order = lines.value(row, "z").toString();
        EXPECT_FALSE(stored.contains(remark)) << remark.toStdString() << " stored twice";
        stored.insert(remark, order);
        tillsOfOrder[order].insert(remark.section(QLatin1Char('#'), 0, 0));
    }
    for (auto it = confirmed.cbegin(); it != confirmed.cend(); ++it) {
        if (!deleted.contains(it.key()))
            EXPECT_EQ(stored.value(it.key()), it.value()) << it.key().toStdString() << " confirmed but not stored";
    }
    EXPECT_EQ(stored.size(), confirmed.size() - deleted.size()) << "lines stored that no till confirmed";
    for (auto it = tillsOfOrder.cbegin(); it != tillsOfOrder.cend(); ++it)
        EXPECT_EQ(it.value().size(), 1) << "order " << it.key().toStdString() << " holds the lines of several tills";
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
    expectEverySaleOnceInOrdersOfItsOwn(race, tills, {});
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
            note(record, QStringLiteral("deleted"), remark);
        }
        fclose(record);
    };
    race.runAtOnce(programs);
    race.expectStockAgreesWithLines();
    QSet<QString> deleted;
    QFile f(race.record(0));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("deleted\t"))
            deleted.insert(QString::fromUtf8(line.mid(8)));
    }
    EXPECT_FALSE(deleted.isEmpty()) << "the desk deleted nothing";
    expectEverySaleOnceInOrdersOfItsOwn(race, tills, deleted);
}

} // namespace
