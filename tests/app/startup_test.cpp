#include "app/startup.h"
#include "data/database.h"
#include "data/schema.h"
#include "support/dbfiles.h"
#include "support/doubles.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(StartupDatabase, MissingFileIsCreatedOnlyWhenAllowed)
{
    struct Case {
        bool withoutAsking;
        bool answer;
        bool opened;
        int questions;
    };
    const Case cases[] = {{true, false, true, 0}, {false, true, true, 1}, {false, false, false, 1}};
    for (const Case &c : cases) {
        QTemporaryDir dir;
        Database db(dir.filePath(QStringLiteral("data.db")));
        RecordingMessages messages;
        messages.answers.enqueue(c.answer);
        EXPECT_EQ(openShopDatabase(db, messages, c.withoutAsking), c.opened);
        EXPECT_EQ(db.isOpen(), c.opened);
        EXPECT_EQ(QFile::exists(db.fileName()), c.opened);
        int questions = 0;
        for (const auto &box : messages.boxes)
            questions += box.kind == RecordingMessages::Kind::YesNo;
        EXPECT_EQ(questions, c.questions);
        if (!c.opened) {
            ASSERT_FALSE(messages.boxes.isEmpty());
            EXPECT_EQ(messages.boxes.last().kind, RecordingMessages::Kind::Error);
        }
    }
}

TEST(StartupDatabase, AnUnreadableFileStopsStartUpWithAClearMessageAndIsLeftAlone)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("data.db")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a database at all, but somebody's notes");
    file.close();
    Database db(file.fileName());
    RecordingMessages messages;
    EXPECT_FALSE(openShopDatabase(db, messages, true));
    ASSERT_EQ(messages.boxes.size(), 1);
    EXPECT_TRUE(messages.boxes[0].text.contains(QStringLiteral("不是本软件的数据库")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("not a database at all, but somebody's notes"));
}

// A file that holds the four tables but lacks a column the program reads or writes would be
// logged into and written to, and fail later in the middle of some action.
TEST(StartupDatabase, AFileLackingAColumnIsRefusedAndLeftByteForByte)
{
    const std::pair<QString, QString> missing[] = {
        {"data", "7"}, {"userdb", "passwd"}, {"data1", "a5"}, {"rz", "jtime"}, {"data", "ID"}};
    for (const auto &[table, column] : missing) {
        SCOPED_TRACE((table + "." + column).toStdString());
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("data.db"));
        {
            Database made(file);
            made.create();
            for (const QString &index : schema::indexNames())
                made.execute(Statement(QStringLiteral("DROP INDEX %1").arg(index)));
            if (column == "ID") {
                // A key that is not a column of its own cannot be dropped: the table is made anew.
                made.execute(Statement("CREATE TABLE copy AS SELECT a, b, c, d, e, f, g, [1], [2], [3], [4], [5], "
                                       "[6], [7], [8], z, day1 FROM data"));
                made.execute(Statement("DROP TABLE data"));
                made.execute(Statement("ALTER TABLE copy RENAME TO data"));
            } else {
                made.execute(Statement(QStringLiteral("ALTER TABLE %1 DROP COLUMN [%2]").arg(table, column)));
            }
        }
        const QByteArray before = fileChecksum(file);
        Database db(file);
        RecordingMessages messages;
        EXPECT_FALSE(openShopDatabase(db, messages, true));
        EXPECT_FALSE(db.isOpen());
        ASSERT_EQ(messages.boxes.size(), 1);
        EXPECT_EQ(messages.boxes[0].kind, RecordingMessages::Kind::Error);
        EXPECT_EQ(messages.boxes[0].text,
                  QStringLiteral("%1 不是本软件的数据库：数据表 %2 缺少字段 %3").arg(file, table, column));
        EXPECT_EQ(fileChecksum(file), before);
    }
}

// A damaged table list leaves nothing to start with: the user is told to put a backup in its place.
TEST(StartupDatabase, AFileWhoseTableListIsDamagedIsSaidToBeDamagedAndLeftAlone)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("data.db"));
    Database(file).create();
    {
        QFile damaged(file);
        ASSERT_TRUE(damaged.open(QIODevice::ReadWrite));
        ASSERT_TRUE(damaged.seek(100)); // the header of the first page, after the file's own header
        ASSERT_EQ(damaged.write(QByteArray(8, char(0xff))), 8);
    }
    const QByteArray before = fileChecksum(file);
    Database db(file);
    RecordingMessages messages;
    EXPECT_FALSE(openShopDatabase(db, messages, true));
    ASSERT_EQ(messages.boxes.size(), 1);
    EXPECT_EQ(messages.boxes[0].text,
              QStringLiteral("数据库文件 %1 已损坏，无法使用：database disk image is malformed\n"
                             "请把最近的备份文件复制为 %1 后再启动程序。")
                  .arg(file));
    EXPECT_EQ(fileChecksum(file), before);
}

TEST(StartupDatabase, AFileAnotherProgramHoldsIsWaitedForThenSaidToBeInUse)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("data.db"));
    Database(file).create();
    {
        OtherProgram other(file, OtherProgram::Lock::Exclusive);
        other.releaseAfter(300);
        Database db(file);
        RecordingMessages messages;
        EXPECT_TRUE(openShopDatabase(db, messages, true)) << messages.lastText().toStdString();
        EXPECT_TRUE(messages.boxes.isEmpty());
    }
    OtherProgram other(file, OtherProgram::Lock::Exclusive);
    Database db(file);
    db.setBusyTimeout(100);
    RecordingMessages messages;
    EXPECT_FALSE(openShopDatabase(db, messages, true));
    ASSERT_EQ(messages.boxes.size(), 1);
    EXPECT_TRUE(messages.boxes[0].text.startsWith(QStringLiteral("数据库正被其他程序使用"))) << messages.boxes[0].text.toStdString();
    EXPECT_FALSE(messages.boxes[0].text.contains(QStringLiteral("不是本软件的数据库")));
}

// A trigger someone put into data.db would run with every sale: it is named before the program
// uses the file, and removed only when the person says yes; "否" leaves the file as it is.
TEST(StartupDatabase, ATriggerTheProgramDidNotMakeIsNamedAndRemovedOnlyWhenAllowed)
{
    for (const bool remove : {false, true}) {
        SCOPED_TRACE(remove ? "removed" : "kept");
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("data.db"));
        {
            Database made(file);
            made.create();
            made.execute(Statement("INSERT INTO data (a, [7]) VALUES ('衬衫', 5)"));
            made.execute(Statement("CREATE TRIGGER t1 AFTER INSERT ON data1 BEGIN DELETE FROM data; END"));
            made.execute(Statement("CREATE VIEW 库存 AS SELECT a FROM data"));
        }
        const QByteArray before = fileChecksum(file);
        Database db(file);
        RecordingMessages messages;
        messages.answers.enqueue(remove);
        EXPECT_EQ(openShopDatabase(db, messages, true), remove);
        ASSERT_FALSE(messages.boxes.isEmpty());
        EXPECT_EQ(messages.boxes[0].kind, RecordingMessages::Kind::YesNo);
        EXPECT_TRUE(messages.boxes[0].text.contains(QStringLiteral("触发器 t1、视图 库存"))) << messages.boxes[0].text.toStdString();
        if (!remove) {
            EXPECT_FALSE(db.isOpen());
            EXPECT_EQ(fileChecksum(file), before);
            continue;
        }
        db.execute(Statement("INSERT INTO data1 (a, [4]) VALUES ('衬衫', 1)"));
        EXPECT_EQ(db.scalar(Statement("SELECT count(*) FROM data")).toInt(), 1) << "the sale left the stock alone";
        // What is left acts for the program: the triggers that keep the sale lines' text index.
        QStringList left;
        db.query(Statement("SELECT name FROM sqlite_master WHERE type IN ('trigger', 'view') ORDER BY name"),
                 [&](const ResultRow &row) { left << row.text(0); });
        EXPECT_EQ(left, QStringList({"data1_text_delete", "data1_text_insert", "data1_text_update"}));
    }
}

// The automatic backup at close cannot be written (its folder is a file here, as a full disk
// refuses it): the person reads that the backup failed and that the database is unharmed.
TEST(AutomaticBackupAtClose, AFailedBackupSaysSoAndThatTheDatabaseIsUnharmed)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("data.db"));
    Database(file).create();
    QFile blocker(dir.filePath(QStringLiteral("备份")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QByteArray before = fileChecksum(file);
    RecordingMessages messages;
    writeAutomaticBackup(file, QDateTime(QDate(2014, 7, 29), QTime(18, 0)), messages);
    ASSERT_EQ(messages.boxes.size(), 1);
    EXPECT_EQ(messages.boxes[0].kind, RecordingMessages::Kind::Warning);
    EXPECT_TRUE(messages.boxes[0].text.startsWith(QStringLiteral("自动备份没有完成"))) << messages.boxes[0].text.toStdString();
    EXPECT_TRUE(messages.boxes[0].text.contains(QStringLiteral("数据库 data.db 没有受到影响")));
    EXPECT_EQ(fileChecksum(file), before);
}

} // namespace
