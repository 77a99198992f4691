#include "common/errors.h"
#include "common/passwordhash.h"
#include "data/database.h"
#include "data/dataset.h"
#include "data/dialect.h"
#include "data/routines.h"
#include "support/testapp.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QStringList columnsOf(Database &db, const QString &table)
{
    Dataset d(db, QStringLiteral("probe"));
    d.openTable(table);
    return d.columns();
}

TEST(Schema, NewDatabaseHoldsTheFourTablesAndTheFirstUser)
{
    TestShop shop;
    QStringList data1 = {QStringLiteral("ID")};
    for (char c = 'a'; c <= 'z'; ++c)
        data1 << QString(QLatin1Char(c));
    data1 << QStringLiteral("1") << QStringLiteral("2") << QStringLiteral("3") << QStringLiteral("4")
          << QStringLiteral("a5") << QStringLiteral("6") << QStringLiteral("7") << QStringLiteral("8")
          << QStringLiteral("9");
    for (int i = 1; i <= 6; ++i)
        data1 << QStringLiteral("day%1").arg(i);
    EXPECT_EQ(columnsOf(shop.db, QStringLiteral("data1")), data1);
    EXPECT_EQ(columnsOf(shop.db, QStringLiteral("data")),
              QString::fromLatin1("ID a b c d e f g 1 2 3 4 5 6 7 8 z day1").split(QLatin1Char(' ')));
    EXPECT_EQ(columnsOf(shop.db, QStringLiteral("userdb")), QStringList({"username", "passwd"}));
    EXPECT_EQ(columnsOf(shop.db, QStringLiteral("rz")), QStringList({"id", "username", "btime", "jtime"}));
    EXPECT_EQ(shop.scalar(QStringLiteral("select count(*) from userdb")).toInt(), 1);
}

TEST(Schema, TheFirstUsersPasswordIsStoredAsAHash)
{
    QTemporaryDir dir;
    Database db(dir.filePath(QStringLiteral("data.db")));
    db.create();
    const QString stored =
        db.scalar(Statement("select passwd from userdb where username='超级管理员'")).toString();
    EXPECT_NE(stored, QStringLiteral("927"));
    EXPECT_TRUE(passwordhash::isHash(stored));
    EXPECT_TRUE(passwordhash::verify(stored, QStringLiteral("927")));
}

TEST(Schema, OpeningRefusesMissingForeignAndIncompleteFiles)
{
    QTemporaryDir dir;
    Database missing(dir.filePath(QStringLiteral("data.db")));
    EXPECT_THROW(missing.open(), DbError);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("data.db")))) << "a failed open must not create the file";

    QFile text(dir.filePath(QStringLiteral("text.db")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("这不是数据库，只是一些文字。");
    text.close();
    Database foreign(text.fileName());
    EXPECT_THROW(foreign.open(), DbError);

    {
        Database partial(dir.filePath(QStringLiteral("partial.db")));
        partial.create();
        partial.execute(Statement("DROP TABLE rz"));
    }
    Database incomplete(dir.filePath(QStringLiteral("partial.db")));
    try {
        incomplete.open();
        ADD_FAILURE() << "opened a database without rz";
    } catch (const DbError &e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("rz")));
    }

    Database existing(dir.filePath(QStringLiteral("partial.db")));
    EXPECT_THROW(existing.create(), DbError) << "create must never overwrite a file";
}

// A few stock rows and sale lines that the statements below are checked against.
class EngineContract : public ::testing::Test {
protected:
    void SetUp() override
    {
        shop.addStockRow({{"a", "衣服"}, {"e", "yf"}, {"2", 10.0}, {"7", 4.0}, {"day1", "2014-02-03"}});
        shop.addStockRow({{"a", "裤子"}, {"e", "kz"}, {"2", 0.0}, {"7", 0.0}, {"day1", "2014-12-24"}});
        shop.addStockRow({{"a", "帽子"}, {"e", "mz"}, {"2", 5.0}, {"7", -2.0}, {"day1", "2015-02-14"}});
        sale(QStringLiteral("2014-02-03"), 2, 20, 19);
        sale(QStringLiteral("2014-02-28"), -1, -10, -9.5);
        sale(QStringLiteral("2014-12-01"), 3, 30, 12);
    }
    void sale(const QString &day, double qty, double amount, double profit)
    {
        shop.exec(QStringLiteral("insert into data1 (a,[3],[4],a5,day1) values ('x',?,?,?,?)"), {qty, amount, profit, day});
    }
    int count(const Statement &st)
    {
        routines::open(query(), st);
        return query().recordCount();
    }
    Dataset &query() { return shop.data.workQuery; }
    TestShop shop;
};

TEST_F(EngineContract, BracketedDigitNamesAndComparisons)
{
    EXPECT_EQ(count(Statement("select * from data where [7]<>0")), 2);
    EXPECT_EQ(count(Statement("select * from data where [2]>0")), 2);
    EXPECT_EQ(count(Statement("select * from data1 where [3]<0")), 1);
    routines::open(query(), Statement("select sum([2]) as total from data"));
    EXPECT_DOUBLE_EQ(query().value(QStringLiteral("total")).toDouble(), 15);
}

TEST_F(EngineContract, LikeOnTextAndDates)
{
    EXPECT_EQ(count(Statement(QStringLiteral("select * from data where ") + dialect::like(QStringLiteral("e")),
                              {dialect::contains(QStringLiteral("YF"))})),
              1)
        << "like matches letters in either case";
    EXPECT_EQ(count(Statement(QStringLiteral("select * from data1 where ") + dialect::like(QStringLiteral("day1")) +
                                  QStringLiteral(" and ") + dialect::like(QStringLiteral("day1")),
                              {dialect::startsWith(QStringLiteral("2014-")), dialect::contains(QStringLiteral("-02-"))})),
              2)
        << "the this-month listing matches a year prefix and a -mm- pattern";
}

TEST_F(EngineContract, DateBoundsIncludeBothEndDays)
{
    EXPECT_EQ(count(Statement(QStringLiteral("select * from data where day1>=? and day1<=?"),
                              {QStringLiteral("2014-02-03"), QStringLiteral("2014-12-24")})),
              2);
}

TEST_F(EngineContract, YearMonthDayCompareWithTypedText)
{
    const QString byMonth = QStringLiteral("select * from data1 where ") + dialect::year(QStringLiteral("day1")) +
                            QStringLiteral("=") + dialect::typedNumber() + QStringLiteral(" and ") +
                            dialect::month(QStringLiteral("day1")) + QStringLiteral("=") + dialect::typedNumber();
    EXPECT_EQ(count(Statement(byMonth, {QStringLiteral("2014"), QStringLiteral("2")})), 2);
    EXPECT_EQ(count(Statement(byMonth, {QStringLiteral("2014"), QStringLiteral("02")})), 2);
    EXPECT_EQ(count(Statement(byMonth, {QStringLiteral("2014"), QStringLiteral("12")})), 1);
    const QString byDay = QStringLiteral("select * from data1 where ") + dialect::day(QStringLiteral("day1")) +
                          QStringLiteral("=") + dialect::typedNumber();
    EXPECT_EQ(count(Statement(byDay, {QStringLiteral("3")})), 1);
    EXPECT_EQ(count(Statement(byDay, {QStringLiteral("03")})), 1);
}

TEST_F(EngineContract, GroupedSumsReadBackByAliasIncludingChineseOnes)
{
    routines::open(query(), Statement(QStringLiteral("select ") + dialect::month(QStringLiteral("day1")) +
                                      QStringLiteral(" as 月份, sum(a5) as 总量, sum([4]) AS 金额 from data1 group by ") +
                                      dialect::month(QStringLiteral("day1")) + QStringLiteral(" order by 1")));
    ASSERT_EQ(query().recordCount(), 2);
    query().first();
    EXPECT_EQ(query().value(QStringLiteral("月份")).toInt(), 2);
    EXPECT_DOUBLE_EQ(query().value(QStringLiteral("总量")).toDouble(), 9.5) << "returns count with their sign";
    EXPECT_DOUBLE_EQ(query().value(QStringLiteral("金额")).toDouble(), 10);
    query().next();
    EXPECT_EQ(query().value(QStringLiteral("月份")).toInt(), 12);
    query().next();
    EXPECT_TRUE(query().eof());

    routines::open(query(), Statement("select max(id) as maxid from rz"));
    EXPECT_TRUE(query().value(QStringLiteral("maxid")).isNull());
}

TEST_F(EngineContract, InsertByPositionIntoUsers)
{
    routines::execute(query(), Statement("insert into userdb values (?, ?)", {QStringLiteral("店员"), QStringLiteral("927")}));
    routines::open(query(), Statement("select * from userdb order by username"));
    EXPECT_EQ(query().recordCount(), 2);
    EXPECT_EQ(query().rowOfKey(1), -1) << "userdb rows carry no key";
}

TEST_F(EngineContract, LoadedRowsResortWithoutRequery)
{
    Dataset &stock = shop.data.stockQuery;
    routines::open(stock, Statement("select * from data order by day1"));
    stock.setCurrentRow(1); // 裤子
    stock.sort(QStringLiteral("7 DESC"));
    QStringList names;
    for (int r = 0; r < stock.recordCount(); ++r)
        names << stock.value(r, QStringLiteral("a")).toString();
    EXPECT_EQ(names, QStringList({"衣服", "裤子", "帽子"}));
    EXPECT_EQ(stock.text(QStringLiteral("a")), QStringLiteral("裤子")) << "the current row follows the sort";
    stock.sort(QStringLiteral("7"));
    EXPECT_EQ(stock.value(0, QStringLiteral("a")).toString(), QStringLiteral("帽子"));
    EXPECT_EQ(stock.sortColumn(), QStringLiteral("7"));
    EXPECT_FALSE(stock.sortDescending());
    EXPECT_DOUBLE_EQ(stock.sum(QStringLiteral("7")), 2);
}

TEST_F(EngineContract, EditPostAndDeleteTheCurrentRowByItsKey)
{
    Dataset &stock = shop.data.stockQuery;
    routines::open(stock, Statement("select * from data order by day1"));
    stock.setCurrentRow(2);
    const long long key = stock.currentKey();
    stock.edit();
    stock.setValue(QStringLiteral("7"), 9.5);
    stock.setValue(QStringLiteral("z"), QStringLiteral("改过"));
    stock.post();
    EXPECT_DOUBLE_EQ(shop.scalar(QStringLiteral("select [7] from data where ID=?"), {key}).toDouble(), 9.5);
    EXPECT_EQ(stock.text(QStringLiteral("z")), QStringLiteral("改过"));
    EXPECT_EQ(shop.scalar(QStringLiteral("select count(*) from data where z='改过'")).toInt(), 1);

    stock.setCurrentRow(0);
    stock.deleteCurrent();
    EXPECT_EQ(stock.recordCount(), 2);
    EXPECT_EQ(shop.scalar(QStringLiteral("select count(*) from data")).toInt(), 2);
    EXPECT_EQ(shop.scalar(QStringLiteral("select count(*) from data where a='衣服'")).toInt(), 0);
}

TEST_F(EngineContract, ErrorsCarryTheEngineText)
{
    try {
        routines::open(query(), Statement("select * from nosuchtable"));
        ADD_FAILURE();
    } catch (const DbError &e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("nosuchtable")));
    }
    EXPECT_FALSE(query().isOpen()) << "a failed open leaves the dataset closed";
    Dataset &stock = shop.data.stockQuery;
    routines::open(stock, Statement("select * from data where 0"));
    EXPECT_THROW(stock.deleteCurrent(), DbError) << "no current row on an empty result";
    EXPECT_THROW(stock.value(QStringLiteral("a")), DbError);
}

TEST(Transactions, AFailureRollsBackEveryWriteOfTheGroup)
{
    TestShop shop;
    const long long id = shop.addStockRow({{"a", "衣服"}, {"7", 5.0}});
    auto fileBytes = [&] {
        QFile f(shop.db.fileName());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray before = fileBytes();
    EXPECT_THROW(inTransaction(shop.db,
                               [&] {
                                   shop.exec(QStringLiteral("update data set [7]=[7]-1 where ID=?"), {id});
                                   shop.exec(QStringLiteral("insert into nosuch values (1)"));
                               }),
                 DbError);
    EXPECT_DOUBLE_EQ(shop.scalar(QStringLiteral("select [7] from data")).toDouble(), 5);
    EXPECT_TRUE(fileBytes() == before) << "a group rolled back leaves the file as it was";

    inTransaction(shop.db, [&] {
        shop.exec(QStringLiteral("update data set [7]=[7]-1 where ID=?"), {id});
        EXPECT_THROW(inTransaction(shop.db, [&] { shop.exec(QStringLiteral("update data set [7]=0 where nosuch=1")); }),
                     DbError);
    });
    EXPECT_DOUBLE_EQ(shop.scalar(QStringLiteral("select [7] from data")).toDouble(), 4)
        << "an inner group that failed is undone, the outer one lands";
}

TEST(UserText, HostileTextIsStoredMatchedAndReadBackUnchanged)
{
    TestShop shop;
    const QStringList texts = {QStringLiteral("O'Brien"), QStringLiteral("100%"), QStringLiteral("a_b"),
                               QStringLiteral("\"; drop table data; --"), QStringLiteral("'); delete from userdb; --"),
                               QString(10000, QChar(0x8863)), QStringLiteral("back\\slash"), QStringLiteral("€¥😀")};
    for (const QString &t : texts)
        routines::execute(shop.data.workQuery, Statement("insert into data (a, z) values (?, ?)", {t, t}));
    Dataset &q = shop.data.workQuery;
    for (const QString &t : texts) {
        routines::open(q, Statement(QStringLiteral("select a, z from data where ") + dialect::like(QStringLiteral("z")),
                                    {dialect::contains(t)}));
        ASSERT_EQ(q.recordCount(), 1) << t.left(40).toStdString();
        EXPECT_EQ(q.text(QStringLiteral("a")), t);
        routines::open(q, Statement("select a from data where a=?", {t}));
        EXPECT_EQ(q.recordCount(), 1);
    }
    routines::open(q, Statement(QStringLiteral("select a from data where ") + dialect::like(QStringLiteral("a")),
                                {dialect::contains(QStringLiteral("%"))}));
    EXPECT_EQ(q.recordCount(), 1) << "% typed by a person is a character, not a wildcard";
    EXPECT_EQ(shop.scalar(QStringLiteral("select count(*) from userdb")).toInt(), 1);
    EXPECT_EQ(shop.scalar(QStringLiteral("select count(*) from data")).toInt(), texts.size());
}

TEST(UserText, ANulIsNoCharacter)
{
    TestShop shop;
    const QString withNul = QStringLiteral("衣") + QChar(u'\0') + QStringLiteral("服");
    shop.exec(QStringLiteral("insert into data (a) values (?)"), {withNul});
    EXPECT_EQ(shop.scalar(QStringLiteral("select a from data")).toString(), QStringLiteral("衣服"))
        << "stored whole, without the NUL";
    EXPECT_EQ(shop.scalar(QStringLiteral("select count(*) from data where ") + dialect::like(QStringLiteral("a")),
                          {dialect::contains(withNul)})
                  .toInt(),
              1)
        << "a NUL in a pattern does not end it early";
    EXPECT_EQ(shop.scalar(QStringLiteral("select count(*) from data where ") + dialect::like(QStringLiteral("a")),
                          {dialect::contains(QStringLiteral("衣") + QChar(u'\0') + QStringLiteral("帽"))})
                  .toInt(),
              0);
}

} // namespace
