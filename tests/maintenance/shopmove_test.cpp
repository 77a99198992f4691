#include "common/settings.h"
#include "common/shopevents.h"
#include "data/database.h"
#include "maintenance/connectionchoice.h"
#include "maintenance/connectionwindow.h"
#include "maintenance/migrationwindow.h"
#include "maintenance/serverfields.h"
#include "support/privatepostgres.h"
#include "support/testapp.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString contents(const QString &fileName)
{
    QFile f(fileName);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Fills the server fields as a person would, for a database of the tests' own server.
void fillIn(ServerFields &fields, const QString &database, const QString &password = {})
{
    fields.hostField()->setText(PrivatePostgres::instance().socketFolder());
    fields.portField()->clear();
    fields.databaseField()->setText(database);
    fields.userField()->setText(PrivatePostgres::user());
    fields.passwordField()->setText(password);
}

// libpq's password file of the test alone, for as long as it lives.
class OwnPasswordFile {
public:
    OwnPasswordFile() : m_old(qgetenv("PGPASSFILE")) { qputenv("PGPASSFILE", fileName().toLocal8Bit()); }
    ~OwnPasswordFile()
    {
        if (m_old.isEmpty())
            qunsetenv("PGPASSFILE");
        else
            qputenv("PGPASSFILE", m_old);
    }
    QString fileName() const { return m_dir.filePath(QStringLiteral(".pgpass")); }

private:
    QTemporaryDir m_dir;
    QByteArray m_old;
};

class ShopMoveTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(pg.error(), QString()) << "a PostgreSQL server of the tests' own is needed"; }
    PrivatePostgres &pg = PrivatePostgres::instance();
};

TEST_F(ShopMoveTest, TheConnectionWindowStoresTheServerAndThePasswordOnlyWhereAsked)
{
    const OwnPasswordFile passwords;
    QTemporaryDir dir;
    Settings settings(dir.path());
    RecordingMessages messages;
    for (const bool save : {false, true}) {
        ConnectionWindow window(settings, messages);
        window.serverChoice()->setChecked(true);
        fillIn(*window.serverFields(), QStringLiteral("shop"), QStringLiteral("秘密%1").arg(save));
        window.serverFields()->savePasswordBox()->setChecked(save);
        window.okButton()->click();
        EXPECT_EQ(window.result(), QDialog::Accepted);
        const ConnectionChoice stored = ConnectionChoice::stored(settings);
        EXPECT_TRUE(stored.onServer);
        EXPECT_EQ(stored.database, "shop");
        EXPECT_EQ(stored.host, pg.socketFolder());
        EXPECT_EQ(stored.port, QString()) << "a port left empty stays libpq's default, not the window's suggestion";
        EXPECT_FALSE(contents(settings.fileName()).contains(QStringLiteral("秘密"))) << "the program keeps no password";
        EXPECT_EQ(contents(passwords.fileName()).contains(QStringLiteral(":shop:%1:秘密1").arg(PrivatePostgres::user())), save);
        EXPECT_FALSE(contents(passwords.fileName()).contains(QStringLiteral("秘密0")));
    }

    // Without a database name nothing is stored and the window stays.
    ConnectionWindow window(settings, messages);
    window.fileChoice()->setChecked(true);
    window.okButton()->click();
    EXPECT_FALSE(ConnectionChoice::stored(settings).onServer) << "back to the file";
    ConnectionWindow incomplete(settings, messages);
    incomplete.serverChoice()->setChecked(true);
    incomplete.serverFields()->databaseField()->clear();
    messages.clear();
    incomplete.okButton()->click();
    EXPECT_NE(incomplete.result(), QDialog::Accepted);
    EXPECT_TRUE(messages.lastText().contains(QStringLiteral("数据库名称")));
    EXPECT_FALSE(ConnectionChoice::stored(settings).onServer);
}

TEST_F(ShopMoveTest, TestingTheConnectionTellsWhatTheServerHolds)
{
    QTemporaryDir dir;
    Settings settings(dir.path());
    RecordingMessages messages;
    ConnectionWindow window(settings, messages);
    window.serverChoice()->setChecked(true);
    const QString shop = pg.newDatabase();
    Database(ServerAddress{pg.conninfo(shop)}).create(TestShop::initialPasswordHash());
    const struct {
        QString database;
        RecordingMessages::Kind kind;
        const char *words;
    } cases[] = {{shop, RecordingMessages::Kind::Info, "本软件的店铺数据库"},
                 {pg.newDatabase(), RecordingMessages::Kind::Info, "数据库是空的"},
                 {QStringLiteral("nosuchshop"), RecordingMessages::Kind::Error, "服务器上没有这个数据库"}};
    for (const auto &c : cases) {
        fillIn(*window.serverFields(), c.database);
        messages.clear();
        window.testButton()->click();
        ASSERT_EQ(messages.boxes.size(), 1);
        EXPECT_EQ(messages.boxes.first().kind, c.kind);
        EXPECT_TRUE(messages.lastText().contains(QString::fromUtf8(c.words))) << messages.lastText().toStdString();
    }
}

TEST_F(ShopMoveTest, AFilesShopMovesToTheServerAndTheTillFollowsIt)
{
    TestShop shop;
    shop.addStockRow({{"a", "衬衫"}, {"2", 10.0}, {"7", 8.0}, {"day1", "2014-07-01"}});
    shop.exec("INSERT INTO data1 (a, [3], [4], a5, z, day1) VALUES ('衬衫', 1, 150, 70, '20140729001', '2014-07-29')");
    shop.logIn();
    QSignalSpy restarts(&shop.events, &ShopEvents::restartRequested);

    // A server database that already holds a shop with data takes nothing, and the till stays.
    const QString taken = pg.newDatabase();
    {
        Database full(ServerAddress{pg.conninfo(taken)});
        full.create(TestShop::initialPasswordHash());
        full.execute(Statement("INSERT INTO data (a) VALUES ('别家的货')"));
    }
    MigrationWindow refused(shop.ctx);
    fillIn(*refused.serverFields(), taken);
    refused.startButton()->click();
    EXPECT_TRUE(shop.messages.lastText().contains(QStringLiteral("目标数据库中已有数据"))) << shop.messages.lastText().toStdString();
    EXPECT_FALSE(ConnectionChoice::stored(shop.settings).onServer);
    EXPECT_EQ(restarts.count(), 0);

    // An empty database becomes the shop, and the till is set to it and starts again.
    const QString empty = pg.newDatabase();
    MigrationWindow window(shop.ctx);
    fillIn(*window.serverFields(), empty);
    shop.messages.clear();
    window.startButton()->click();
    EXPECT_TRUE(shop.messages.lastText().contains(QStringLiteral("库存 1 行、销售记录 1 行"))) << shop.messages.lastText().toStdString();
    Database server(ServerAddress{pg.conninfo(empty)});
    server.open();
    EXPECT_EQ(server.scalar(Statement("SELECT a FROM data")).toString(), "衬衫");
    EXPECT_EQ(server.scalar(Statement("SELECT z FROM data1")).toString(), "20140729001");
    const ConnectionChoice stored = ConnectionChoice::stored(shop.settings);
    EXPECT_TRUE(stored.onServer);
    EXPECT_EQ(stored.database, empty);
    EXPECT_EQ(restarts.count(), 1);
    EXPECT_EQ(shop.scalar("SELECT count(*) FROM data").toInt(), 1) << "the file stays as it was";
}

TEST_F(ShopMoveTest, TheServersShopIsExportedIntoAWholeNewFile)
{
    TestShop shop(TestShop::OnServer{});
    shop.addStockRow({{"a", "长裤"}, {"2", 2.0}, {"day1", "2014-07-02"}});
    shop.logIn();
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("导出.db"));
    ExportToFileWindow window(shop.ctx);
    window.fileField()->setText(target);
    window.startButton()->click();
    EXPECT_TRUE(shop.messages.lastText().contains(QStringLiteral("导出完成"))) << shop.messages.lastText().toStdString();
    {
        Database file(target);
        file.open();
        EXPECT_EQ(file.scalar(Statement("SELECT a FROM data")).toString(), "长裤");
        EXPECT_EQ(file.scalar(Statement("SELECT count(*) FROM rz")).toInt(), 1) << "the login went along";
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("导出.db")}) << "no file of the way left";

    // An existing file is replaced only when the person says so.
    QFile::remove(target);
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep me");
    }
    shop.messages.answers.enqueue(false);
    window.startButton()->click();
    EXPECT_EQ(contents(target), "keep me");
}

} // namespace
