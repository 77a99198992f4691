#include "app/startup.h"
#include "common/settings.h"
#include "data/database.h"
#include "data/pgconnection.h"
#include "maintenance/connectionchoice.h"
#include "support/doubles.h"
#include "support/privatepostgres.h"
#include "support/testapp.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <libpq-fe.h>

namespace {

// The values a connection string gives libpq, keyword by keyword.
QHash<QString, QString> parsed(const QString &conninfo)
{
    QHash<QString, QString> values;
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(conninfo.toUtf8().constData(), &error);
    if (!options) {
        PQfreemem(error);
        return values;
    }
    for (PQconninfoOption *o = options; o->keyword; ++o) {
        if (o->val)
            values.insert(QString::fromUtf8(o->keyword), QString::fromUtf8(o->val));
    }
    PQconninfoFree(options);
    return values;
}

TEST(ConnectionChoice, TheConnectionStringCarriesEveryFieldAsTypedAndShowsNoPassword)
{
    ConnectionChoice choice;
    choice.onServer = true;
    choice.host = QStringLiteral("/run/店 铺");
    choice.port = QStringLiteral("5433");
    choice.database = QStringLiteral("shop'one");
    choice.user = QStringLiteral("till\\1 x");
    const QString password = QStringLiteral("p w'\\秘");
    const QHash<QString, QString> values = parsed(choice.conninfo(password));
    EXPECT_EQ(values.value("host"), choice.host);
    EXPECT_EQ(values.value("port"), choice.port);
    EXPECT_EQ(values.value("dbname"), choice.database);
    EXPECT_EQ(values.value("user"), choice.user);
    EXPECT_EQ(values.value("password"), password);
    EXPECT_EQ(values.value("connect_timeout"), "5") << "an unreachable server must not hang the till";
    EXPECT_TRUE(parsed(choice.conninfo()).value("password").isEmpty()) << "no password unless one was typed";
    EXPECT_FALSE(pgsql::readableAddress(choice.conninfo(password)).contains(password));

    choice.user.clear();
    EXPECT_TRUE(parsed(choice.conninfo()).value("user").isEmpty()) << "an empty field is left to libpq";
}

class DatabaseChoiceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(pg.error(), QString()) << "a PostgreSQL server of the tests' own is needed"; }

    // A server account of the tests' own server, and a database on it holding a shop.
    ConnectionChoice server(const QString &database)
    {
        ConnectionChoice choice;
        choice.onServer = true;
        choice.host = pg.socketFolder();
        choice.port.clear();
        choice.database = database;
        choice.user = PrivatePostgres::user();
        return choice;
    }
    QString shopDatabase()
    {
        const QString name = pg.newDatabase();
        Database shop(ServerAddress{pg.conninfo(name)});
        shop.create(TestShop::initialPasswordHash());
        return name;
    }
    std::unique_ptr<Database> choose(const QStringList &arguments = {QStringLiteral("tolvane")})
    {
        return chooseShopDatabase(arguments, settings, [this](const QString &reason) {
            reasons << reason;
            if (!fallBackToFile)
                return false;
            ConnectionChoice file = ConnectionChoice::stored(settings);
            file.onServer = false;
            return file.store(settings, messages);
        });
    }

    PrivatePostgres &pg = PrivatePostgres::instance();
    QTemporaryDir dir;
    Settings settings{dir.path()};
    RecordingMessages messages;
    QStringList reasons;
    bool fallBackToFile = true;
};

TEST_F(DatabaseChoiceTest, TheTillUsesWhatThisComputerChoseOrWhatTheCommandLineNames)
{
    auto db = choose();
    ASSERT_TRUE(db);
    EXPECT_FALSE(db->onServer()) << "a computer that never chose keeps its file";
    EXPECT_EQ(db->fileName(), "data.db");

    const QString shop = shopDatabase();
    ASSERT_TRUE(server(shop).store(settings, messages));
    db = choose();
    ASSERT_TRUE(db && db->onServer());
    db->open();
    EXPECT_EQ(db->scalar(Statement("SELECT current_database()")).toString(), shop);

    // A server named on the command line comes before the stored choice.
    const QString other = shopDatabase();
    db = choose({QStringLiteral("tolvane"), QStringLiteral("--server"), pg.conninfo(other)});
    ASSERT_TRUE(db && db->onServer());
    db->open();
    EXPECT_EQ(db->scalar(Statement("SELECT current_database()")).toString(), other);
    EXPECT_TRUE(reasons.isEmpty());

    // An empty database is no failure: the opening offers to make the shop in it.
    ASSERT_TRUE(server(pg.newDatabase()).store(settings, messages));
    db = choose();
    ASSERT_TRUE(db);
    EXPECT_TRUE(db->onServer());
    EXPECT_TRUE(reasons.isEmpty());
}

TEST_F(DatabaseChoiceTest, AServerThatCannotServeIsNamedByItsCauseAndTheChoiceOfferedAgain)
{
    const QString foreign = pg.newDatabase();
    {
        PgConnection other(pg.conninfo(foreign));
        other.open();
        other.execute(Statement("CREATE TABLE orders (id integer)"));
    }
    struct Case {
        const char *what;
        ConnectionChoice choice;
        const char *cause;
    };
    ConnectionChoice nowhere = server(shopDatabase());
    nowhere.host = dir.filePath(QStringLiteral("no-server-here"));
    ConnectionChoice noUser = server(shopDatabase());
    noUser.user = QStringLiteral("nosuchtill");
    const Case cases[] = {
        {"no server at that address", nowhere, "在这个地址找不到数据库服务器"},
        {"no such database", server(QStringLiteral("nosuchshop")), "服务器上没有这个数据库"},
        {"no such user", noUser, "服务器上没有这个用户"},
        {"another program's database", server(foreign), "不是本软件的数据库"},
    };
    for (const Case &c : cases) {
        reasons.clear();
        ASSERT_TRUE(c.choice.store(settings, messages));
        const auto db = choose();
        ASSERT_EQ(reasons.size(), 1) << c.what;
        EXPECT_TRUE(reasons.first().contains(QString::fromUtf8(c.cause))) << c.what << ": " << reasons.first().toStdString();
        ASSERT_TRUE(db) << c.what;
        EXPECT_FALSE(db->onServer()) << c.what << ": the choice made again stands";
    }

    // Giving up ends the start.
    reasons.clear();
    fallBackToFile = false;
    ASSERT_TRUE(nowhere.store(settings, messages));
    EXPECT_FALSE(choose());
    EXPECT_EQ(reasons.size(), 1);
}

} // namespace
