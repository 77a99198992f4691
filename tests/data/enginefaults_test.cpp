#include "common/errors.h"
#include "data/database.h"
#include "support/dbfiles.h"
#include "support/testapp.h"

#include <QFile>
#include <gtest/gtest.h>
#include <functional>

namespace {

// What the user reads when the engine fails: the cause in Chinese, then the engine's own text.
struct Fault {
    const char *name;
    std::function<void(TestShop &)> bringAbout;
    DbError::Cause cause;
    QString lead;
    QString engineText;
};

void holdExclusively(TestShop &shop, std::unique_ptr<OtherProgram> &other)
{
    other = std::make_unique<OtherProgram>(shop.db.fileName(), OtherProgram::Lock::Exclusive);
    shop.db.setBusyTimeout(100);
}

TEST(EngineFaults, EachReachesTheUserInChineseWithTheEngineTextAfterIt)
{
    std::unique_ptr<OtherProgram> other;
    const Fault faults[] = {
        {"disk full",
         [](TestShop &shop) {
             // The file may not grow by a page: what a full disk does to it.
             const QVariant pages = shop.scalar("PRAGMA page_count");
             shop.db.query(Statement(QStringLiteral("PRAGMA max_page_count=%1").arg(pages.toLongLong())), [](const ResultRow &) {});
         },
         DbError::Cause::DiskFull, "数据库所在磁盘已满", "database or disk is full"},
        {"read-only file",
         [](TestShop &shop) {
             shop.db.close();
             QFile::setPermissions(shop.db.fileName(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
             asOrdinaryUser(shop.db.fileName(), [&] { shop.db.open(); });
         },
         DbError::Cause::ReadOnly, "数据库文件只读", "attempt to write a readonly database"},
        {"locked by another program", [&](TestShop &shop) { holdExclusively(shop, other); }, DbError::Cause::Locked,
         "数据库正被其他程序使用", "database is locked"},
        {"damaged page",
         [](TestShop &shop) {
             shop.db.close();
             damageTable(shop.db.fileName(), "data");
             shop.db.open();
         },
         DbError::Cause::Damaged, "数据库文件已损坏", "database disk image is malformed"},
    };
    for (const Fault &fault : faults) {
        SCOPED_TRACE(fault.name);
        TestShop shop;
        shop.addStockRow({{"a", "衣服"}});
        fault.bringAbout(shop);
        try {
            shop.exec("INSERT INTO data (a, z) VALUES (?, ?)", {"裤子", QString(100000, QChar(u'长'))});
            ADD_FAILURE() << "the write went through";
        } catch (const DbError &e) {
            EXPECT_EQ(e.cause(), fault.cause);
            EXPECT_TRUE(e.text().startsWith(fault.lead + "：" + fault.engineText)) << e.text().toStdString();
        }
        other.reset();
    }
}

TEST(EngineFaults, AStatementTheEngineRefusesKeepsItsOwnText)
{
    TestShop shop;
    try {
        shop.exec("SELECT * FROM nosuchtable");
        ADD_FAILURE();
    } catch (const DbError &e) {
        EXPECT_EQ(e.cause(), DbError::Cause::Other);
        EXPECT_EQ(e.text(), "数据库错误：no such table: nosuchtable");
    }
}

TEST(EngineFaults, AGroupCutShortByAFullDiskLeavesNothingBehind)
{
    TestShop shop;
    shop.addStockRow({{"a", "衣服"}, {"7", 5.0}});
    shop.db.query(Statement(QStringLiteral("PRAGMA max_page_count=%1").arg(shop.scalar("PRAGMA page_count").toLongLong())),
                  [](const ResultRow &) {});
    EXPECT_THROW(inTransaction(shop.db,
                               [&] {
                                   shop.exec("UPDATE data SET [7]=[7]-1");
                                   shop.exec("INSERT INTO data (a) VALUES (?)", {QString(100000, QChar(u'长'))});
                               }),
                 DbError);
    EXPECT_EQ(shop.scalar("SELECT [7] FROM data").toDouble(), 5);
    EXPECT_EQ(shop.scalar("SELECT count(*) FROM data").toInt(), 1);
    // Once there is room again, the connection works as before.
    shop.db.query(Statement("PRAGMA max_page_count=1073741823"), [](const ResultRow &) {});
    shop.exec("INSERT INTO data (a) VALUES ('裤子')");
    EXPECT_EQ(shop.scalar("SELECT count(*) FROM data").toInt(), 2);
}

// Another program that holds the file for a moment (a backup tool, a second copy of the program
// closing) is waited for: reads, writes and groups of writes go through once it lets go.
TEST(BusyFile, AFileHeldForAMomentIsWaitedFor)
{
    TestShop shop;
    const OtherProgram::Lock locks[] = {OtherProgram::Lock::Writing, OtherProgram::Lock::Exclusive};
    for (const OtherProgram::Lock lock : locks) {
        OtherProgram other(shop.db.fileName(), lock);
        other.releaseAfter(300);
        shop.exec("INSERT INTO data (a) VALUES ('衣服')");
    }
    {
        // A group that reads before it writes takes the write lock at its start, so it waits too.
        OtherProgram other(shop.db.fileName(), OtherProgram::Lock::Writing);
        other.releaseAfter(300);
        inTransaction(shop.db, [&] {
            const int rows = shop.scalar("SELECT count(*) FROM data").toInt();
            shop.exec("INSERT INTO data (a, [7]) VALUES ('裤子', ?)", {rows});
        });
    }
    EXPECT_EQ(shop.scalar("SELECT count(*) FROM data").toInt(), 3);
    EXPECT_EQ(shop.scalar("SELECT [7] FROM data WHERE a='裤子'").toInt(), 2);
    EXPECT_EQ(shop.scalar("SELECT count(*) FROM rz WHERE username='另一个程序'").toInt(), 2)
        << "the other program's writes landed as well";
}

} // namespace
