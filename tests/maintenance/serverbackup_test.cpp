#include "app/startup.h"
#include "common/errors.h"
#include "data/database.h"
#include "data/pgconnection.h"
#include "maintenance/automaticbackups.h"
#include "maintenance/serverbackup.h"
#include "maintenance/shopfiles.h"
#include "support/privatepostgres.h"
#include "support/testapp.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

using namespace shopfiles;

namespace {

// Every row of the shop's tables, its values as text, in key order: the whole content compared.
QStringList shopRows(Database &db)
{
    QStringList rows;
    for (const char *sql : {"SELECT * FROM data ORDER BY ID", "SELECT * FROM data1 ORDER BY ID",
                            "SELECT username, passwd FROM userdb ORDER BY rowid", "SELECT * FROM rz ORDER BY id"}) {
        db.query(Statement(QString::fromLatin1(sql)), [&](const ResultRow &row) {
            QStringList values;
            for (int c = 0; c < row.columnCount(); ++c)
                values << (row.type(c) == ResultRow::Type::Null ? QStringLiteral("∅") : row.text(c));
            rows << values.join(QLatin1Char('|'));
        });
    }
    return rows;
}

// pg_dump run by hand, as another hand would make an archive.
void pgDump(const QString &conninfo, const QString &file, const QStringList &extra = {})
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("pg_dump"), QStringList{QStringLiteral("--format=custom"), QStringLiteral("--file=") + file} +
                                                 extra + QStringList{QStringLiteral("--dbname=") + conninfo});
    ASSERT_TRUE(process.waitForFinished(60000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAll().toStdString();
}

QStringList tableOfContents(const QString &archive, int *exitCode)
{
    QProcess process;
    process.start(QStringLiteral("pg_restore"), {QStringLiteral("--list"), archive});
    process.waitForFinished(60000);
    *exitCode = process.exitCode();
    return QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'));
}

class ServerBackupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(PrivatePostgres::instance().error(), QString()) << "a PostgreSQL server of the tests' own is needed";
        shop.addStockRow({{"a", QStringLiteral("衬衫")}, {"b", "XL"}, {"2", 5.0}, {"7", 5.0}, {"day1", "2014-07-01"}});
        shop.addStockRow({{"a", QStringLiteral("长裤")}, {"2", 2.0}, {"7", 2.0}, {"day1", "2014-07-02"}});
        shop.exec(QStringLiteral("INSERT INTO rz (username, btime) VALUES ('超级管理员', '2014-07-28 09:00:00')"));
    }
    QString conninfo() const { return shop.db.fileName(); }
    // A refused archive: the reason named, the database as it was, no copy kept.
    void expectRefused(const QString &archive, const QString &reason)
    {
        const QStringList before = shopRows(shop.db);
        const QString why = serverbackup::problem(archive, conninfo());
        EXPECT_TRUE(why.contains(reason)) << why.toStdString();
        try {
            serverbackup::replaceDatabase(archive, conninfo(), shop.path(QStringLiteral("kept.dump")));
            ADD_FAILURE() << "restored";
        } catch (const UserVisibleError &e) {
            EXPECT_EQ(e.text(), why);
        }
        EXPECT_EQ(shopRows(shop.db), before);
        EXPECT_FALSE(QFile::exists(shop.path(QStringLiteral("kept.dump"))));
    }

    TestShop shop{TestShop::OnServer{}};
};

TEST_F(ServerBackupTest, ABackupRestoredGivesItsRowsBackAndTheReplacedRowsAreKept)
{
    const QString backup = shop.path(QStringLiteral("u盘/beifen.dump"));
    ASSERT_TRUE(serverbackup::dump(conninfo(), backup));
    EXPECT_TRUE(bytesOf(backup).startsWith("PGDMP"));
    EXPECT_EQ(namesIn(shop.path(QStringLiteral("u盘"))), QStringList{QStringLiteral("beifen.dump")}) << "no temporary left";
    EXPECT_EQ(serverbackup::problem(backup, conninfo()), QString());
    const QStringList backedUp = shopRows(shop.db);

    // The shop goes on: a sale, a row gone, a user added.
    shop.exec(QStringLiteral("INSERT INTO data1 (a, z, [3], day1) VALUES ('衬衫', '20140729001', 1, '2014-07-29')"));
    shop.exec(QStringLiteral("DELETE FROM data WHERE a='长裤'"));
    shop.exec(QStringLiteral("INSERT INTO userdb (username, passwd) VALUES ('小王', 'x1')"));
    const QStringList changed = shopRows(shop.db);
    ASSERT_NE(changed, backedUp);

    // Another till stays connected meanwhile (this one's connection too).
    const QString kept = shop.path(QStringLiteral("data-恢复前-20140729-103000.dump"));
    ASSERT_TRUE(serverbackup::replaceDatabase(backup, conninfo(), kept));
    EXPECT_EQ(shopRows(shop.db), backedUp);
    // The keys go on after the restored ones, and the program's triggers are on the restored tables.
    const long long next = shop.addStockRow({{"a", QStringLiteral("外套")}});
    EXPECT_EQ(next, 3);
    EXPECT_EQ(shop.scalar(QStringLiteral("SELECT count(*) FROM pg_trigger WHERE tgname = 'tolvane_written'")).toInt(), 4);
    // Besides them, the two naming written stock rows, and nothing else.
    EXPECT_EQ(shop.scalar(QStringLiteral("SELECT count(*) FROM pg_trigger WHERE NOT tgisinternal")).toInt(), 6);

    // The kept copy holds the shop as it was before the restore.
    EXPECT_EQ(serverbackup::problem(kept, conninfo()), QString());
    TestShop other{TestShop::OnServer{}};
    ASSERT_TRUE(serverbackup::replaceDatabase(kept, other.db.fileName(), other.path(QStringLiteral("k.dump"))));
    EXPECT_EQ(shopRows(other.db), changed);
}

TEST_F(ServerBackupTest, ABackupThatFailsLeavesNoPartFileAndAnOlderOneUntouched)
{
    const QString target = shop.path(QStringLiteral("beifen.dump"));
    writeBytes(target, "an older backup");
    writeBytes(shop.path(QStringLiteral("blocker")), "a file");
    const QStringList names = namesIn(shop.dir.path());
    // A server that does not answer.
    Database gone{ServerAddress{QStringLiteral("host=%1 dbname=none").arg(shop.path(QStringLiteral("nosocket")))}};
    try {
        serverbackup::dump(gone.fileName(), target);
        ADD_FAILURE() << "written";
    } catch (const UserVisibleError &e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("连接数据库服务器失败"))) << e.text().toStdString();
    }
    // Cancelled at once.
    EXPECT_FALSE(serverbackup::dump(conninfo(), target, [](int, int) { return false; }));
    // A file where its folder would be.
    EXPECT_THROW(serverbackup::dump(conninfo(), shop.path(QStringLiteral("blocker/beifen.dump"))), UserVisibleError);
    EXPECT_EQ(bytesOf(target), QByteArray("an older backup"));
    EXPECT_EQ(namesIn(shop.dir.path()), names);
    // A whole one replaces it.
    ASSERT_TRUE(serverbackup::dump(conninfo(), target));
    EXPECT_TRUE(bytesOf(target).startsWith("PGDMP"));
}

TEST_F(ServerBackupTest, FilesThatAreNoBackupOfThisShopAreRefused)
{
    makeEmpty(shop.path(QStringLiteral("empty.dump")));
    expectRefused(shop.path(QStringLiteral("empty.dump")), QStringLiteral("是空的"));
    makeText(shop.path(QStringLiteral("notes.dump")));
    expectRefused(shop.path(QStringLiteral("notes.dump")), QStringLiteral("不是服务器数据库的备份"));
    makeShop(shop.path(QStringLiteral("file.db")), 2);
    expectRefused(shop.path(QStringLiteral("file.db")), QStringLiteral("是数据库文件的备份"));
    expectRefused(shop.path(QStringLiteral("missing.dump")), QStringLiteral("不存在"));

    // Another program's database.
    PgConnection foreign(PrivatePostgres::instance().freshDatabase());
    foreign.open();
    foreign.execute(Statement(QStringLiteral("CREATE TABLE customers (id int PRIMARY KEY, name text)")));
    foreign.execute(Statement(QStringLiteral("INSERT INTO customers VALUES (1, 'x')")));
    pgDump(foreign.conninfo(), shop.path(QStringLiteral("foreign.dump")));
    expectRefused(shop.path(QStringLiteral("foreign.dump")), QStringLiteral("数据表 customers"));
    pgDump(foreign.conninfo(), shop.path(QStringLiteral("foreign-data.dump")), {QStringLiteral("--table=customers")});
    expectRefused(shop.path(QStringLiteral("foreign-data.dump")), QStringLiteral("数据表 customers"));
}

TEST_F(ServerBackupTest, ArchivesCarryingWhatWouldRunAreRefused)
{
    TestShop other{TestShop::OnServer{}};
    other.exec(QStringLiteral("INSERT INTO data (a) VALUES ('x')"));
    const QString c = other.db.fileName();
    // The whole database with a function and a trigger of another hand that empty the stock.
    other.exec(QStringLiteral("CREATE FUNCTION eraser() RETURNS trigger LANGUAGE plpgsql AS "
                              "'BEGIN DELETE FROM data; RETURN NULL; END'"));
    other.exec(QStringLiteral("CREATE TRIGGER t1 AFTER INSERT ON data1 FOR EACH ROW EXECUTE FUNCTION eraser()"));
    pgDump(c, shop.path(QStringLiteral("whole.dump")));
    expectRefused(shop.path(QStringLiteral("whole.dump")), QStringLiteral("函数 eraser()"));
    // Only the shop's tables: the trigger comes along with its table.
    pgDump(c, shop.path(QStringLiteral("tables.dump")),
           {QStringLiteral("--table=data"), QStringLiteral("--table=data1"), QStringLiteral("--table=userdb"),
            QStringLiteral("--table=rz")});
    expectRefused(shop.path(QStringLiteral("tables.dump")), QStringLiteral("触发器 t1"));
    other.exec(QStringLiteral("DROP TRIGGER t1 ON data1"));

    // A view, and a column whose default runs a function at every sale.
    other.exec(QStringLiteral("CREATE VIEW stock AS SELECT * FROM data"));
    pgDump(c, shop.path(QStringLiteral("view.dump")));
    expectRefused(shop.path(QStringLiteral("view.dump")), QStringLiteral("视图 stock"));
    other.exec(QStringLiteral("DROP VIEW stock"));
    other.exec(QStringLiteral("ALTER TABLE data1 ALTER COLUMN g SET DEFAULT pg_sleep(5)::text"));
    pgDump(c, shop.path(QStringLiteral("default.dump")), {QStringLiteral("--table=data*"), QStringLiteral("--table=userdb"),
                                                           QStringLiteral("--table=rz")});
    expectRefused(shop.path(QStringLiteral("default.dump")), QStringLiteral("DEFAULT (pg_sleep"));
    other.exec(QStringLiteral("ALTER TABLE data1 ALTER COLUMN g DROP DEFAULT"));

    // Rows written as statements rather than as rows (pg_dump --inserts).
    pgDump(c, shop.path(QStringLiteral("inserts.dump")), {QStringLiteral("--inserts"), QStringLiteral("--table=data*"),
                                                           QStringLiteral("--table=userdb"), QStringLiteral("--table=rz")});
    expectRefused(shop.path(QStringLiteral("inserts.dump")), QStringLiteral("INSERT INTO"));

    // No superadministrator: nobody could log in afterwards.
    other.exec(QStringLiteral("DELETE FROM userdb"));
    ASSERT_TRUE(serverbackup::dump(c, shop.path(QStringLiteral("nobody.dump"))));
    expectRefused(shop.path(QStringLiteral("nobody.dump")), QStringLiteral("没有用户“超级管理员”"));
}

// The table of contents is at the front of an archive: one cut off in its rows passes
// pg_restore --list, and is refused when it is read through, before anything is touched.
TEST_F(ServerBackupTest, ATruncatedArchiveIsRefused)
{
    TestShop big{TestShop::OnServer{}};
    inTransaction(big.db, [&] {
        for (int i = 1; i <= 3000; ++i)
            big.exec(QStringLiteral("INSERT INTO data (a, z) VALUES (?, md5(?))"), {QStringLiteral("商品%1").arg(i), i});
    });
    const QString whole = shop.path(QStringLiteral("whole.dump"));
    ASSERT_TRUE(serverbackup::dump(big.db.fileName(), whole));
    const QByteArray bytes = bytesOf(whole);
    const QString cut = shop.path(QStringLiteral("cut.dump"));
    writeBytes(cut, bytes.left(bytes.size() * 2 / 3));
    int listed = -1;
    EXPECT_TRUE(tableOfContents(cut, &listed).filter(QStringLiteral("TABLE DATA")).size() >= 4);
    EXPECT_EQ(listed, 0) << "the list check alone would pass it";
    expectRefused(cut, QStringLiteral("已损坏或不完整"));
    writeBytes(cut, bytes.left(200));
    expectRefused(cut, QStringLiteral("已损坏"));
}

// The restore runs in one transaction: when the server refuses it in the middle, the database is
// as it was. Here a view another hand made on the current database stops the sale lines from
// being dropped, after the restore has begun dropping the indexes and keys.
TEST_F(ServerBackupTest, ARestoreFailingInTheMiddleLeavesTheDatabaseAsItWas)
{
    const QString backup = shop.path(QStringLiteral("beifen.dump"));
    ASSERT_TRUE(serverbackup::dump(conninfo(), backup));
    shop.exec(QStringLiteral("INSERT INTO data1 (a, z, [3], day1) VALUES ('衬衫', '20140729001', 1, '2014-07-29')"));
    shop.exec(QStringLiteral("CREATE VIEW sales AS SELECT * FROM data1"));
    const QStringList before = shopRows(shop.db);
    const QString indexes = QStringLiteral("SELECT count(*) FROM pg_indexes WHERE schemaname = 'public'");
    const int indexCount = shop.scalar(indexes).toInt();
    const QString kept = shop.path(QStringLiteral("kept.dump"));
    try {
        serverbackup::replaceDatabase(backup, conninfo(), kept);
        ADD_FAILURE() << "restored";
    } catch (const UserVisibleError &e) {
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("服务器上的数据库没有恢复，仍是原来的数据"))) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(QStringLiteral("depend"))) << e.text().toStdString();
    }
    EXPECT_EQ(shopRows(shop.db), before);
    EXPECT_EQ(shop.scalar(indexes).toInt(), indexCount);
    EXPECT_EQ(shop.scalar(QStringLiteral("SELECT count(*) FROM sales")).toInt(), 1);
    EXPECT_TRUE(bytesOf(kept).startsWith("PGDMP")) << "the copy kept before the restore stays";
}

// "取消" while pg_restore runs: it is stopped, and its transaction with it.
TEST_F(ServerBackupTest, ARestoreCancelledWhileItRunsLeavesTheDatabaseAsItWas)
{
    const QString backup = shop.path(QStringLiteral("beifen.dump"));
    ASSERT_TRUE(serverbackup::dump(conninfo(), backup));
    shop.exec(QStringLiteral("DELETE FROM data"));
    const QStringList before = shopRows(shop.db);
    const QString kept = shop.path(QStringLiteral("kept.dump"));
    // The copy kept is whole before the restore itself starts.
    int looksDuringRestore = 0;
    EXPECT_FALSE(serverbackup::replaceDatabase(backup, conninfo(), kept, [&](int, int) {
        if (!QFile::exists(kept))
            return true;
        ++looksDuringRestore;
        return false;
    }));
    EXPECT_EQ(looksDuringRestore, 1);
    EXPECT_EQ(shopRows(shop.db), before);
    EXPECT_EQ(shop.scalar(QStringLiteral("SELECT count(*) FROM pg_trigger WHERE tgname = 'tolvane_written'")).toInt(), 4);
}

TEST_F(ServerBackupTest, TheAutomaticBackupAtCloseWritesADumpAndKeepsSeven)
{
    const QString placeholder = serverbackup::placeholderFile(shop.dir.path());
    EXPECT_EQ(automaticbackups::folder(placeholder), shop.path(QStringLiteral("备份")));
    const QDateTime first(QDate(2014, 7, 20), QTime(18, 0, 0));
    for (int day = 0; day < 9; ++day)
        writeAutomaticBackup(shop.db, shop.dir.path(), first.addDays(day), shop.messages);
    EXPECT_TRUE(shop.messages.boxes.isEmpty()) << shop.messages.lastText().toStdString();
    const QFileInfoList kept = automaticbackups::list(placeholder);
    ASSERT_EQ(kept.size(), automaticbackups::kKept);
    EXPECT_EQ(kept[0].fileName(), QStringLiteral("data-20140728-180000.dump"));
    for (int i = 0; i < kept.size(); ++i) {
        EXPECT_EQ(automaticbackups::writtenAt(kept[i]), first.addDays(8 - i)) << "newest first";
        EXPECT_TRUE(bytesOf(kept[i].absoluteFilePath()).startsWith("PGDMP"));
    }
    EXPECT_EQ(namesIn(shop.path(QStringLiteral("备份"))).size(), automaticbackups::kKept);
    EXPECT_EQ(serverbackup::problem(kept[0].absoluteFilePath(), conninfo()), QString());

    // A server that does not answer: the person is told, nothing is written.
    Database gone{ServerAddress{QStringLiteral("host=%1 dbname=none").arg(shop.path(QStringLiteral("nosocket")))}};
    writeAutomaticBackup(gone, shop.dir.path(), first.addDays(10), shop.messages);
    ASSERT_EQ(shop.messages.boxes.size(), 1);
    EXPECT_EQ(shop.messages.boxes[0].kind, RecordingMessages::Kind::Warning);
    EXPECT_TRUE(shop.messages.boxes[0].text.startsWith(QStringLiteral("自动备份没有完成"))) << shop.messages.lastText().toStdString();
    EXPECT_EQ(namesIn(shop.path(QStringLiteral("备份"))).size(), automaticbackups::kKept);
}

TEST_F(ServerBackupTest, AConnectionStringPasswordStaysOffTheCommandLine)
{
    // The private server trusts its user: a password given is not needed, only carried.
    const QString withPassword = conninfo() + QStringLiteral(" password='geheim 1'");
    const QString backup = shop.path(QStringLiteral("p.dump"));
    int looks = 0;
    ASSERT_TRUE(serverbackup::dump(withPassword, backup, [&](int, int) {
        ++looks;
        for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
            if (cmdline.open(QIODevice::ReadOnly))
                EXPECT_FALSE(cmdline.readAll().contains("geheim")) << pid.toStdString();
        }
        return true;
    }));
    EXPECT_TRUE(bytesOf(backup).startsWith("PGDMP"));
    EXPECT_GE(looks, 1);
}

} // namespace
