#include "app/startup.h"
#include "data/database.h"
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

} // namespace
