// The shop's database on a PostgreSQL server through the program's one connection class: made,
// opened, written in groups, sold from and numbered as a shop file is.
#include "common/numbertext.h"
#include "data/database.h"
#include "data/pgconnection.h"
#include "data/tabletotals.h"
#include "sales/ordernumber.h"
#include "sales/saleposting.h"
#include "support/privatepostgres.h"
#include "support/testapp.h"

#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

namespace {

class ServerDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PrivatePostgres &pg = PrivatePostgres::instance();
        ASSERT_EQ(pg.error(), QString()) << "a PostgreSQL server of the tests' own is needed";
        address = {pg.freshDatabase()};
        db = std::make_unique<Database>(address);
        db->create(TestShop::initialPasswordHash());
    }

    long long stockRow(double stock)
    {
        db->execute(Statement("INSERT INTO data (a, b, c, d, [1], [2], [3], [4], [5], [6], [7], [8], day1) "
                              "VALUES ('衬衫', 'XL', 'C001', '上衣', 50, ?, ?, 99, 0, 0, ?, ?, '2014-07-01')",
                              {stock, stock * 50, stock, stock * 50}));
        return db->lastInsertId();
    }

    static SaleEntry entry(const QString &quantity, const QString &order)
    {
        return {QStringLiteral("99"), quantity, QStringLiteral("0"), QStringLiteral("2014-07-29"), order,
                QStringLiteral("张三"), QString(), QString(), QString()};
    }

    ServerAddress address;
    std::unique_ptr<Database> db;
};

} // namespace

TEST_F(ServerDatabaseTest, ANewShopIsMadeAndOnlyAShopDatabaseIsOpened)
{
    EXPECT_TRUE(db->isOpen());
    EXPECT_TRUE(db->onServer());
    EXPECT_EQ(db->scalar(Statement("SELECT username FROM userdb")).toString(), QStringLiteral("超级管理员"));
    db->close();
    db->open();
    EXPECT_EQ(db->scalar(Statement("SELECT count(*) FROM userdb")).toLongLong(), 1);

    // A database of another program, and an empty one, are not taken for a shop.
    Database empty(ServerAddress{PrivatePostgres::instance().freshDatabase()});
    try {
        empty.open();
        ADD_FAILURE() << "an empty database was opened as a shop";
    } catch (const DbError &e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("不是本软件的数据库：缺少数据表 data"))) << e.text().toStdString();
    }
    EXPECT_FALSE(empty.isOpen());
    // A shop is made only in an empty database.
    Database again(address);
    EXPECT_THROW(again.create(TestShop::initialPasswordHash()), DbError);
}

TEST_F(ServerDatabaseTest, AGroupOfWritesLandsWholeOrNotAtAll)
{
    const long long key = stockRow(5);
    EXPECT_GT(key, 0);
    EXPECT_THROW(inTransaction(*db,
                               [&] {
                                   db->execute(Statement("UPDATE data SET [7]=0 WHERE ID=?", {key}));
                                   inTransaction(*db, [&] { db->execute(Statement("DELETE FROM data")); });
                                   throw DbError(QStringLiteral("断电"));
                               }),
                 DbError);
    EXPECT_FALSE(db->inWriteGroup());
    EXPECT_EQ(db->scalar(Statement("SELECT [7] FROM data WHERE ID=?", {key})).toDouble(), 5);
    // A group inside a group undoes only its own writes.
    inTransaction(*db, [&] {
        db->execute(Statement("UPDATE data SET [7]=4 WHERE ID=?", {key}));
        try {
            inTransaction(*db, [&] {
                db->execute(Statement("DELETE FROM data"));
                throw DbError(QStringLiteral("撤销"));
            });
        } catch (const DbError &) {
        }
    });
    EXPECT_EQ(db->scalar(Statement("SELECT [7] FROM data WHERE ID=?", {key})).toDouble(), 4);
}

TEST_F(ServerDatabaseTest, ASaleIsPostedFromTheRowAsTheServerHoldsIt)
{
    const long long key = stockRow(3);
    const LoadedStock loaded = LoadedStock::stored(*db, key);
    postSale(*db, loaded, entry(QStringLiteral("2"), QStringLiteral("20140729001")));
    // Posted again from the same loaded copy, as a second till that loaded it earlier would.
    EXPECT_THROW(postSale(*db, loaded, entry(QStringLiteral("2"), QStringLiteral("20140729002"))), StockShortage);
    postSale(*db, loaded, entry(QStringLiteral("1"), QStringLiteral("20140729002")));
    const LoadedStock now = LoadedStock::stored(*db, key);
    EXPECT_EQ(now.stock.toDouble(), 0);
    EXPECT_EQ(now.sold.toDouble(), 3);
    EXPECT_EQ(now.salesAmount.toDouble(), 297);
    EXPECT_EQ(db->scalar(Statement("SELECT count(*) FROM data1")).toLongLong(), 2);
    EXPECT_EQ(db->scalar(Statement("SELECT total([3]) FROM data1")).toDouble(), 3);
}

TEST_F(ServerDatabaseTest, TwoTillsNeverOpenTheSameOrderNumber)
{
    Database other(address);
    other.open();
    const QDate day(2014, 7, 29);
    const long long first = claimOrderCounter(*db, day, 1, QStringLiteral("till-1"));
    const long long second = claimOrderCounter(other, day, 1, QStringLiteral("till-2"));
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);
    // A number typed by hand that does not go on in digits is no counter.
    db->execute(Statement("INSERT INTO data1 (z, day1) VALUES ('20140729x9', '2014-07-29'), ('20140729007', '2014-07-29')"));
    EXPECT_EQ(firstFreeOrderCounter(other, day), 8);
    EXPECT_EQ(claimOrderCounter(other, day, 1, QStringLiteral("till-2")), 8);
}

// The data version of `db` once `wanted` is reached or half a second has passed: notifications
// come over the socket a moment after the commit.
long long versionSettled(Database &db, long long wanted)
{
    QElapsedTimer clock;
    clock.start();
    long long version = db.dataVersion();
    while (version < wanted && clock.elapsed() < 500) {
        QThread::msleep(10);
        version = db.dataVersion();
    }
    return version;
}

// What one till writes, the others hear of (their windows then read again); a till does not hear
// of its own writes, nor of a group it rolled back.
TEST_F(ServerDatabaseTest, OtherTillsHearOfEveryWriteButNotOfUndoneOnes)
{
    Database other(address);
    other.open();
    const long long start = other.dataVersion();
    EXPECT_EQ(db->dataVersion(), db->dataVersion());

    stockRow(5); // a single statement
    inTransaction(*db, [&] { // a group: told once, when it is committed
        stockRow(6);
        stockRow(7);
    });
    const long long afterWrites = versionSettled(other, start + 2);
    EXPECT_EQ(afterWrites, start + 2);
    const long long own = db->dataVersion();
    EXPECT_EQ(db->dataVersion(), own) << "a till does not hear of its own writes";

    try {
        inTransaction(*db, [&] {
            stockRow(8);
            throw DbError(QStringLiteral("撤销"));
        });
    } catch (const DbError &) {
    }
    db->execute(Statement("UPDATE data SET a='x' WHERE ID=-1")); // writes no row
    EXPECT_EQ(versionSettled(other, afterWrites + 1), afterWrites) << "nothing was written";
}

// The footer sums the server counts are the program's own: each value rounded to ten-thousandths
// as the program rounds it, then added up exactly.
TEST_F(ServerDatabaseTest, FooterSumsAreCountedAsTheProgramCountsThem)
{
    const double values[] = {0.00005, 1.23445, -2.5, 19.99 * 3, 0.1 + 0.2, 123456.78915, -0.00004999};
    long long expected = 0;
    for (const double v : values) {
        db->execute(Statement("INSERT INTO data1 ([4]) VALUES (?)", {v}));
        expected += numbertext::fixed4Units(v);
    }
    db->execute(Statement("INSERT INTO data1 ([4]) VALUES (NULL)"));
    TableTotals totals(*db, QStringLiteral("data1"), {QStringLiteral("4")});
    EXPECT_EQ(totals.sums().value(QStringLiteral("4")), expected);
}
