#include "common/errors.h"
#include "maintenance/automaticbackups.h"
#include "maintenance/databasecopy.h"
#include "maintenance/databasefilecheck.h"
#include "maintenance/openfiles.h"
#include "maintenance/restore.h"
#include "maintenance/shopfiles.h"
#include "app/startup.h"
#include "data/database.h"
#include "support/doubles.h"

#include <QDir>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace shopfiles;

namespace {

struct BadFile {
    const char *why;
    void (*make)(const QString &file);
    QString reason; // a part of the message
};

const BadFile kBadFiles[] = {
    {"empty file", makeEmpty, QStringLiteral("是空的")},
    {"text file", makeText, QStringLiteral("不是数据库文件")},
    {"truncated database", makeTruncated, QStringLiteral("已损坏")},
    {"damaged page", makeDamaged, QStringLiteral("已损坏")},
    {"another program's database", makeForeign, QStringLiteral("不是本软件的数据库：缺少数据表 data")},
    {"a column missing", makeWithoutPasswords, QStringLiteral("数据表 userdb 缺少字段 passwd")},
    {"a trigger that empties the stock", makeWithStockEraser, QStringLiteral("不是本软件建立的触发器 t1")},
    {"a trigger that adds a user", makeWithBackdoorUser, QStringLiteral("不是本软件建立的触发器 登录")},
    {"the stock table a view", makeWithStockView, QStringLiteral("缺少数据表 data")},
    {"another program's table", makeWithOtherTable, QStringLiteral("不是本软件建立的数据表 notes")},
    {"no superadministrator", makeWithoutSuperadministrator, QStringLiteral("没有用户“超级管理员”")},
};

TEST(DatabaseFileCheck, AWholeShopDatabasePassesAndEachWrongFileIsNamedWithItsReason)
{
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.db"));
    makeShop(good, 20);
    EXPECT_EQ(databasefilecheck::problem(good), QString());
    EXPECT_TRUE(databasefilecheck::problem(dir.filePath(QStringLiteral("none.db"))).contains(QStringLiteral("不存在")));
    EXPECT_TRUE(databasefilecheck::problem(dir.path()).contains(QStringLiteral("不存在")));

    for (const BadFile &bad : kBadFiles) {
        SCOPED_TRACE(bad.why);
        const QString file = dir.filePath(QString::fromUtf8(bad.why) + QStringLiteral(".db"));
        bad.make(file);
        const QByteArray before = bytesOf(file);
        const QString problem = databasefilecheck::problem(file);
        EXPECT_TRUE(problem.contains(bad.reason)) << problem.toStdString();
        EXPECT_EQ(bytesOf(file), before) << "checking changes nothing";
    }
}

class DatabaseCopyTest : public ::testing::Test {
protected:
    void SetUp() override { makeShop(source, 300); }
    QStringList strayFiles() { return namesIn(dir.path()).filter(QStringLiteral(".tmp")); }

    QTemporaryDir dir;
    QString source = dir.filePath(QStringLiteral("data.db"));
    QString target = dir.filePath(QStringLiteral("backup/beifen.db"));
};

TEST_F(DatabaseCopyTest, TheCopyHoldsWhatWasCommittedWhileAnotherConnectionWrites)
{
    Database writer(source);
    writer.open();
    Transaction pending(writer);
    writer.execute(Statement("insert into data (a) values ('未提交')"));

    int lastDone = 0, lastTotal = -1;
    ASSERT_TRUE(databasecopy::copy(source, target, [&](int done, int total) {
        lastDone = done;
        lastTotal = total;
        return true;
    }));
    EXPECT_GT(lastTotal, 64) << "the copy went in steps";
    EXPECT_LE(lastDone, lastTotal);
    EXPECT_EQ(databasefilecheck::problem(target), QString());
    EXPECT_EQ(stockRows(target), 300);
    EXPECT_TRUE(strayFiles().isEmpty());
    EXPECT_TRUE(namesIn(dir.filePath(QStringLiteral("backup"))) == QStringList{QStringLiteral("beifen.db")});
}

TEST_F(DatabaseCopyTest, ACancelledOrFailedCopyLeavesTheOlderBackupAsItWas)
{
    QDir().mkpath(QFileInfo(target).absolutePath());
    makeShop(target, 3);
    const QByteArray older = bytesOf(target);

    EXPECT_FALSE(databasecopy::copy(source, target, [](int, int) { return false; }));
    EXPECT_EQ(bytesOf(target), older);

    const QString text = dir.filePath(QStringLiteral("text.db"));
    makeText(text);
    EXPECT_THROW(databasecopy::copy(text, target), UserVisibleError);
    EXPECT_THROW(databasecopy::copy(dir.filePath(QStringLiteral("missing.db")), target), UserVisibleError);
    EXPECT_EQ(bytesOf(target), older);
    EXPECT_EQ(namesIn(QFileInfo(target).absolutePath()), QStringList{QStringLiteral("beifen.db")}) << "no partial file";
}

TEST_F(DatabaseCopyTest, ATargetWhoseFolderIsAFileIsRefused)
{
    const QString blocker = dir.filePath(QStringLiteral("blocker"));
    writeBytes(blocker, "a file, not a folder");
    try {
        databasecopy::copy(source, blocker + QStringLiteral("/beifen.db"));
        ADD_FAILURE() << "copied into a file";
    } catch (const UserVisibleError &e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("无法建立文件夹"))) << e.text().toStdString();
    }
    EXPECT_EQ(bytesOf(blocker), QByteArray("a file, not a folder"));
    EXPECT_TRUE(strayFiles().isEmpty());
}

class RestoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        makeShop(database, 5);
        makeShop(backup, 2);
    }
    QTemporaryDir dir;
    QString database = dir.filePath(QStringLiteral("data.db"));
    QString backup = dir.filePath(QStringLiteral("beifen.db"));
    QString keepAs = dir.filePath(QStringLiteral("data-恢复前-20140729-103000.db"));
};

TEST_F(RestoreTest, AGoodBackupReplacesTheDatabaseWhichIsKeptBesideIt)
{
    const QByteArray current = bytesOf(database);
    ASSERT_TRUE(restore::replaceDatabase(backup, database, keepAs));
    EXPECT_EQ(stockRows(database), 2);
    EXPECT_EQ(bytesOf(keepAs), current);
    EXPECT_EQ(namesIn(dir.path()),
              QStringList({QStringLiteral("beifen.db"), QStringLiteral("data-恢复前-20140729-103000.db"),
                           QStringLiteral("data.db")}));
}

TEST_F(RestoreTest, EachWrongFileReplacesNothing)
{
    const QByteArray current = bytesOf(database);
    for (const BadFile &b : kBadFiles) {
        SCOPED_TRACE(b.why);
        const QString file = dir.filePath(QStringLiteral("wrong.db"));
        QFile::remove(file);
        b.make(file);
        const QStringList before = namesIn(dir.path());
        try {
            restore::replaceDatabase(file, database, keepAs);
            ADD_FAILURE() << "restored";
        } catch (const UserVisibleError &e) {
            EXPECT_TRUE(e.text().contains(b.reason)) << e.text().toStdString();
        }
        EXPECT_EQ(bytesOf(database), current);
        EXPECT_EQ(namesIn(dir.path()), before);
    }
    for (const QString &itself : {database, QDir(dir.path()).filePath(QStringLiteral("./data.db"))}) {
        EXPECT_TRUE(restore::problem(itself, database).contains(QStringLiteral("就是正在使用的数据库")));
        EXPECT_THROW(restore::replaceDatabase(itself, database, keepAs), UserVisibleError);
        EXPECT_EQ(bytesOf(database), current);
    }
    EXPECT_FALSE(QFile::exists(keepAs));
}

TEST_F(RestoreTest, ACancelledRestoreLeavesEverythingAsItWas)
{
    makeShop(dir.filePath(QStringLiteral("big.db")), 300);
    const QByteArray current = bytesOf(database);
    const QStringList before = namesIn(dir.path());
    EXPECT_FALSE(restore::replaceDatabase(dir.filePath(QStringLiteral("big.db")), database, keepAs,
                                          [](int, int) { return false; }));
    EXPECT_EQ(bytesOf(database), current);
    EXPECT_EQ(namesIn(dir.path()), before);
}

TEST_F(RestoreTest, AJournalACrashLeftGoesWithTheKeptCopyNotWithTheRestoredFile)
{
    const QByteArray journal = "journal pages of the replaced database";
    writeBytes(database + QStringLiteral("-journal"), journal);
    ASSERT_TRUE(restore::replaceDatabase(backup, database, keepAs));
    EXPECT_FALSE(QFile::exists(database + QStringLiteral("-journal")));
    EXPECT_EQ(bytesOf(keepAs + QStringLiteral("-journal")), journal);
    EXPECT_EQ(stockRows(database), 2);
}

// Another process on this computer holding `file` open, as a second till's program holds data.db.
class ProcessHolding {
public:
    explicit ProcessHolding(const QString &file)
    {
        m_process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("exec 3<\"$0\"; exec sleep 60"), file});
        EXPECT_TRUE(m_process.waitForStarted());
        for (int i = 0; i < 200 && !openfiles::processesHolding(file).contains(m_process.processId()); ++i)
            QThread::msleep(10);
        EXPECT_TRUE(openfiles::processesHolding(file).contains(m_process.processId()));
    }
    ~ProcessHolding()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

private:
    QProcess m_process;
};

TEST_F(RestoreTest, NothingIsReplacedWhileAnotherProgramHasTheDatabaseOpen)
{
    const QByteArray current = bytesOf(database);
    {
        ProcessHolding other(database);
        try {
            restore::replaceDatabase(backup, database, keepAs);
            ADD_FAILURE() << "restored under another program";
        } catch (const UserVisibleError &e) {
            EXPECT_TRUE(e.text().contains(QStringLiteral("正在使用数据库"))) << e.text().toStdString();
        }
        EXPECT_EQ(bytesOf(database), current);
        EXPECT_FALSE(QFile::exists(keepAs));
    }
    EXPECT_TRUE(restore::replaceDatabase(backup, database, keepAs)) << "once the other program has ended";
    EXPECT_EQ(stockRows(database), 2);
}

// A program whose file was replaced under it (a restore elsewhere) says so at its next write,
// instead of calling the file read-only.
TEST_F(RestoreTest, AProgramWhoseFileWasReplacedSaysSoAtItsNextWrite)
{
    Database running(database);
    running.open();
    ASSERT_TRUE(restore::replaceDatabase(backup, database, keepAs));
    try {
        running.execute(Statement("INSERT INTO rz (username) VALUES ('店员')"));
        ADD_FAILURE() << "wrote into the replaced file";
    } catch (const DbError &e) {
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("数据库文件已被替换"))) << e.text().toStdString();
    }
}

// Temporary copies that a kill cut short are removed at the next copy into their folder and at the
// next start beside data.db; files of other names and a copy another program still writes stay.
TEST(Leftovers, CopiesCutShortAreRemovedAtTheNextStartOrCopyAndNothingElse)
{
    for (const bool atStart : {false, true}) {
        SCOPED_TRACE(atStart ? "start" : "copy");
        QTemporaryDir dir;
        const QString database = dir.filePath(QStringLiteral("data.db"));
        makeShop(database, 3);
        const QStringList leftovers = {QStringLiteral(".data.db.0a1b2c3d4e5f.tmp"),
                                       QStringLiteral(".data.db.0a1b2c3d4e5f.tmp-journal"),
                                       QStringLiteral(".beifen.db.ffffffffffff.tmp"),
                                       QStringLiteral(".data-20261210-101500.db.123456abcdef.tmp")};
        const QStringList others = {QStringLiteral("notes.tmp"), QStringLiteral(".data.db.tmp"),
                                    QStringLiteral(".data.db.0A1B2C3D4E5F.tmp"), QStringLiteral("data.db.0a1b2c3d4e5f.tmp")};
        const QDateTime anHourAgo = QDateTime::currentDateTime().addSecs(-3600);
        const QString beingWritten = dir.filePath(QStringLiteral(".beifen.db.abcabcabcabc.tmp"));
        for (const QString &name : leftovers + others + QStringList{QFileInfo(beingWritten).fileName()}) {
            writeBytes(dir.filePath(name), "bytes");
            QFile file(dir.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            ASSERT_TRUE(file.setFileTime(anHourAgo, QFileDevice::FileModificationTime));
        }
        const QString justWritten = dir.filePath(QStringLiteral(".data.db.999999999999.tmp")); // about to be renamed
        writeBytes(justWritten, "a whole copy");
        ProcessHolding writer(beingWritten);
        if (atStart) {
            Database db(database);
            RecordingMessages messages;
            ASSERT_TRUE(openShopDatabase(db, messages, false)) << messages.lastText().toStdString();
        } else {
            ASSERT_TRUE(databasecopy::copy(database, dir.filePath(QStringLiteral("beifen.db"))));
        }
        const QStringList names = namesIn(dir.path());
        for (const QString &name : leftovers)
            EXPECT_FALSE(names.contains(name)) << name.toStdString();
        for (const QString &name : others)
            EXPECT_TRUE(names.contains(name)) << name.toStdString();
        EXPECT_TRUE(names.contains(QFileInfo(beingWritten).fileName()));
        EXPECT_TRUE(names.contains(QFileInfo(justWritten).fileName()));
    }
}

TEST_F(RestoreTest, AKeptNameIsNeverTakenTwice)
{
    const QDateTime now(QDate(2014, 7, 29), QTime(10, 30, 0));
    EXPECT_EQ(restore::keptName(database, now), keepAs);
    writeBytes(keepAs, "earlier");
    EXPECT_EQ(restore::keptName(database, now), dir.filePath(QStringLiteral("data-恢复前-20140729-103000-2.db")));
    ASSERT_TRUE(restore::replaceDatabase(backup, database, restore::keptName(database, now)));
    EXPECT_EQ(bytesOf(keepAs), QByteArray("earlier"));
    EXPECT_EQ(restore::keptName(database, now), dir.filePath(QStringLiteral("data-恢复前-20140729-103000-3.db")));
}

TEST(AutomaticBackups, TheNewestSevenAreKeptAndNothingElseIsTouched)
{
    QTemporaryDir dir;
    const QString database = dir.filePath(QStringLiteral("data.db"));
    makeShop(database, 3);
    const QString folder = automaticbackups::folder(database);
    EXPECT_EQ(folder, dir.filePath(QStringLiteral("备份")));
    EXPECT_TRUE(automaticbackups::list(database).isEmpty());

    QDir().mkpath(folder);
    writeBytes(QDir(folder).filePath(QStringLiteral("我的备份.db")), "kept by hand");
    writeBytes(QDir(folder).filePath(QStringLiteral("data-2014.db")), "not one of them");
    const QDateTime first(QDate(2014, 7, 20), QTime(18, 0, 0));
    for (int day = 0; day < 9; ++day) {
        const QString written = automaticbackups::write(database, first.addDays(day));
        EXPECT_EQ(QFileInfo(written).fileName(), first.addDays(day).toString(QStringLiteral("'data-'yyyyMMdd-hhmmss'.db'")));
    }

    const QFileInfoList kept = automaticbackups::list(database);
    ASSERT_EQ(kept.size(), 7);
    for (int i = 0; i < kept.size(); ++i) {
        EXPECT_EQ(automaticbackups::writtenAt(kept[i]), first.addDays(8 - i)) << "newest first";
        EXPECT_EQ(databasefilecheck::problem(kept[i].absoluteFilePath()), QString());
    }
    EXPECT_EQ(bytesOf(QDir(folder).filePath(QStringLiteral("我的备份.db"))), QByteArray("kept by hand"));
    EXPECT_TRUE(QFile::exists(QDir(folder).filePath(QStringLiteral("data-2014.db"))));
    EXPECT_EQ(namesIn(folder).size(), 9);
}

TEST(AutomaticBackups, AFolderThatCannotBeMadeIsReported)
{
    QTemporaryDir dir;
    const QString database = dir.filePath(QStringLiteral("data.db"));
    makeShop(database, 1);
    writeBytes(dir.filePath(QStringLiteral("备份")), "a file where the folder should be");
    EXPECT_THROW(automaticbackups::write(database, QDateTime(QDate(2014, 7, 29), QTime(18, 0))), UserVisibleError);
    EXPECT_EQ(bytesOf(dir.filePath(QStringLiteral("备份"))), QByteArray("a file where the folder should be"));
}

} // namespace
