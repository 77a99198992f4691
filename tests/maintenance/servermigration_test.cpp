#include "maintenance/servermigration.h"

#include "data/database.h"
#include "support/privatepostgres.h"
#include "support/testapp.h"

#include <gtest/gtest.h>

namespace {

// Every row of a table, its values as text, in key order.
QStringList rowsOf(Database &db, const QString &sql)
{
    QStringList rows;
    db.query(Statement(sql), [&](const ResultRow &row) {
        QStringList values;
        for (int c = 0; c < row.columnCount(); ++c)
            switch (row.type(c)) {
            case ResultRow::Type::Null:
                values << QStringLiteral("∅");
                break;
            case ResultRow::Type::Text:
                values << row.text(c);
                break;
            default:
                values << QString::number(row.number(c), 'g', 17);
            }
        rows << values.join(QLatin1Char('|'));
    });
    return rows;
}

class ServerMigrationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server = TestShop::serverShopDatabase();
        ASSERT_TRUE(server);
        shop.addStockRow({{"a", "衬衫"}, {"b", "XL"}, {"2", 10.0}, {"7", 8.0}, {"8", 400.0}, {"day1", "2014-07-01"}});
        shop.addStockRow({{"a", "长裤"}, {"2", 2.0}, {"7", 2.0}, {"8", 160.0}, {"day1", "2014-07-02"}});
        shop.exec("DELETE FROM data WHERE a='衬衫'"); // keys with a gap
        shop.addStockRow({{"a", "阿迪T恤"}, {"2", 0.1}, {"7", 0.2}, {"day1", "2014-07-03"}});
        shop.exec("INSERT INTO data1 (a, [3], [4], a5, z, day1) VALUES ('长裤', 1, 150, 70, '20140729001', '2014-07-29')");
        shop.exec("INSERT INTO rz (username, btime) VALUES ('超级管理员', '2014-07-29 10:30:00')");
        shop.exec("INSERT INTO userdb (username, passwd) VALUES ('小王', 'hash')");
    }
    TestShop shop;
    std::unique_ptr<Database> server;
};

} // namespace

TEST_F(ServerMigrationTest, AFilesShopGoesToTheServerWholeWithItsKeys)
{
    servermigration::copyShop(shop.db, *server);
    for (const char *sql : {"SELECT ID, a, b, [2], [7], [8], day1 FROM data ORDER BY ID",
                            "SELECT ID, a, [3], [4], a5, z, day1 FROM data1 ORDER BY ID",
                            "SELECT id, username, btime, jtime FROM rz ORDER BY id",
                            "SELECT username, passwd FROM userdb ORDER BY rowid"})
        EXPECT_EQ(rowsOf(*server, QString::fromUtf8(sql)), rowsOf(shop.db, QString::fromUtf8(sql))) << sql;
    // New rows on the server take keys after the copied ones.
    server->execute(Statement("INSERT INTO data (a) VALUES ('新货')"));
    EXPECT_GT(server->lastInsertId(), shop.scalar("SELECT max(ID) FROM data").toLongLong());
}

TEST_F(ServerMigrationTest, ATargetWithDataOrAValueItCannotHoldTakesNothing)
{
    servermigration::copyShop(shop.db, *server);
    const QStringList before = rowsOf(*server, "SELECT ID, a FROM data ORDER BY ID");
    EXPECT_THROW(servermigration::copyShop(shop.db, *server), DbError) << "the target holds a shop already";
    EXPECT_EQ(rowsOf(*server, "SELECT ID, a FROM data ORDER BY ID"), before);

    Database other(ServerAddress{PrivatePostgres::instance().freshDatabase()});
    other.create(TestShop::initialPasswordHash());
    shop.exec("UPDATE data SET [7]='很多' WHERE a='长裤'");
    try {
        servermigration::copyShop(shop.db, other);
        ADD_FAILURE() << "a text in a number column went across";
    } catch (const DbError &e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("字段 7 不是数字（很多）"))) << e.text().toStdString();
    }
    EXPECT_EQ(other.scalar(Statement("SELECT count(*) FROM data")).toLongLong(), 0);
    EXPECT_EQ(other.scalar(Statement("SELECT count(*) FROM userdb")).toLongLong(), 1) << "its first user stays";
}

// "导出到数据文件": the server's shop goes into a new data.db the same way, and comes back equal.
TEST_F(ServerMigrationTest, AServersShopGoesBackIntoAFileEqual)
{
    servermigration::copyShop(shop.db, *server);
    // Written again on the server: it keeps the new version of the row after the others, and the
    // users still go back in the order they were added.
    server->execute(Statement("UPDATE userdb SET passwd=passwd WHERE username='超级管理员'"));
    Database file(shop.path("back.db"));
    file.create(TestShop::initialPasswordHash());
    servermigration::copyShop(*server, file);
    for (const char *sql : {"SELECT ID, a, b, [2], [7], [8], day1 FROM data ORDER BY ID",
                            "SELECT ID, a, [3], [4], a5, z, day1 FROM data1 ORDER BY ID",
                            "SELECT id, username, btime, jtime FROM rz ORDER BY id",
                            "SELECT username, passwd FROM userdb ORDER BY rowid"})
        EXPECT_EQ(rowsOf(file, QString::fromUtf8(sql)), rowsOf(shop.db, QString::fromUtf8(sql))) << sql;
}

// "取消" during the copy: nothing of it stays on the target.
TEST_F(ServerMigrationTest, AStoppedCopyLeavesTheTargetAsItWas)
{
    long long asked = 0;
    EXPECT_THROW(servermigration::copyShop(shop.db, *server,
                                           [&](long long done, long long total) {
                                               EXPECT_LE(done, total);
                                               return ++asked < 2;
                                           }),
                 DbError);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(server->scalar(Statement("SELECT count(*) FROM data")).toLongLong(), 0);
    EXPECT_EQ(server->scalar(Statement("SELECT username FROM userdb")).toString(), Session::superAdminName())
        << "its first user stays";
}

// Rows go across many to a statement: full statements and the rest after them, none lost or doubled.
TEST_F(ServerMigrationTest, ManyRowsGoAcrossWholeAndInOrder)
{
    inTransaction(shop.db, [&] {
        for (int i = 0; i < 250; ++i)
            shop.exec("INSERT INTO data1 (a, [3], [4], z, day1) VALUES (?, ?, ?, ?, '2014-07-29')",
                      {QStringLiteral("货%1").arg(i), i % 5 + 1, 10.25 * i, QStringLiteral("201407290%1").arg(i, 2, 10, QLatin1Char('0'))});
    });
    const servermigration::Copied copied = servermigration::copyShop(shop.db, *server);
    EXPECT_EQ(copied.saleLines, 251);
    const char *sql = "SELECT ID, a, [3], [4], z FROM data1 ORDER BY ID";
    EXPECT_EQ(rowsOf(*server, QString::fromUtf8(sql)), rowsOf(shop.db, QString::fromUtf8(sql)));
}
