#include "common/passwordhash.h"
#include "support/testapp.h"
#include "users/usertable.h"

#include <gtest/gtest.h>
#include <sodium.h>

namespace {

// A user table as an older version left it: plain passwords, one name twice.
class UserTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        add(QStringLiteral("张三"), QStringLiteral("abc1"));
        add(QStringLiteral("twin"), QStringLiteral("same1"));
        add(QStringLiteral("twin"), QStringLiteral("same1"));
        add(QStringLiteral("pair"), QStringLiteral("first1"));
        add(QStringLiteral("pair"), QStringLiteral("second2"));
    }
    long long add(const QString &user, const QString &stored)
    {
        shop.exec(QStringLiteral("insert into userdb (username, passwd) values (?, ?)"), {user, stored});
        return shop.db.lastInsertId();
    }
    QString stored(long long row)
    {
        return shop.scalar(QStringLiteral("select passwd from userdb where rowid=?"), {row}).toString();
    }
    long long check(const QString &user, const QString &password)
    {
        return usertable::matchingRow(shop.data.workQuery, user, password);
    }

    TestShop shop;
};

TEST_F(UserTableTest, APlainPasswordIsAcceptedOnceAndReplacedByItsHash)
{
    const long long row = check(QStringLiteral("张三"), QStringLiteral("abc1"));
    ASSERT_GT(row, 0);
    EXPECT_TRUE(passwordhash::isHash(stored(row)));
    EXPECT_TRUE(passwordhash::verify(stored(row), QStringLiteral("abc1")));
    EXPECT_EQ(check(QStringLiteral("张三"), QStringLiteral("abc1")), row) << "checked through the hash now";
    EXPECT_EQ(check(QStringLiteral("张三"), QStringLiteral("ABC1")), -1);
    EXPECT_EQ(check(QStringLiteral("张三"), passwordhash::make(QStringLiteral("abc1"))), -1)
        << "the stored hash typed as a password is no password";
}

TEST_F(UserTableTest, OnlyExactlyOneMatchingRowPasses)
{
    struct Case {
        const char *why;
        QString user, password;
        bool passes;
    };
    const Case cases[] = {
        {"wrong password", QStringLiteral("张三"), QStringLiteral("abc2"), false},
        {"no such user", QStringLiteral("李四"), QStringLiteral("abc1"), false},
        {"blanks around the name", QStringLiteral(" 张三"), QStringLiteral("abc1"), false},
        {"two rows alike", QStringLiteral("twin"), QStringLiteral("same1"), false},
        {"one of two rows of a name", QStringLiteral("pair"), QStringLiteral("second2"), true},
        {"a quote", QStringLiteral("张三' or '1'='1"), QStringLiteral("abc1"), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(check(c.user, c.password) > 0, c.passes);
    }
    // Only the row that passed got its hash.
    EXPECT_EQ(shop.scalar(QStringLiteral("select count(*) from userdb where passwd in ('abc1', 'same1', 'first1')")).toInt(), 4);
    EXPECT_EQ(shop.scalar(QStringLiteral("select count(*) from userdb where passwd='second2'")).toInt(), 0);
}

TEST_F(UserTableTest, AHashMadeWithWeakerSettingsIsRenewedOnASuccessfulCheck)
{
    char weak[crypto_pwhash_STRBYTES];
    ASSERT_EQ(crypto_pwhash_str(weak, "pw9", 3, crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN), 0);
    const long long row = add(QStringLiteral("old"), QString::fromLatin1(weak));

    EXPECT_EQ(check(QStringLiteral("old"), QStringLiteral("pw8")), -1);
    EXPECT_EQ(stored(row), QString::fromLatin1(weak)) << "a failed check changes nothing";
    EXPECT_EQ(check(QStringLiteral("old"), QStringLiteral("pw9")), row);
    EXPECT_NE(stored(row), QString::fromLatin1(weak));
    EXPECT_FALSE(passwordhash::isOutdated(stored(row)));
    EXPECT_TRUE(passwordhash::verify(stored(row), QStringLiteral("pw9")));
}

TEST_F(UserTableTest, NamesAreStoredAndFoundAsTyped)
{
    const QString names[] = {QStringLiteral("O'Brien \"老王\""), QStringLiteral("한국 😀 ǅ"), QString(10000, QChar(0x5f20))};
    for (const QString &name : names) {
        SCOPED_TRACE(name.left(20).toStdString());
        EXPECT_FALSE(usertable::hasUser(shop.data.workQuery, name));
        usertable::add(shop.data.workQuery, name);
        EXPECT_TRUE(usertable::hasUser(shop.data.workQuery, name));
        EXPECT_GT(check(name, passwordhash::initialPassword()), 0);
        EXPECT_EQ(usertable::remove(shop.data.workQuery, name), 1);
    }
    EXPECT_EQ(usertable::names(shop.data.workQuery),
              QStringList({QStringLiteral("超级管理员"), QStringLiteral("张三"), QStringLiteral("twin"),
                           QStringLiteral("twin"), QStringLiteral("pair"), QStringLiteral("pair")}))
        << "in table order, duplicates included";
}

TEST_F(UserTableTest, WritesReportWhetherARowWasThere)
{
    EXPECT_EQ(usertable::resetPassword(shop.data.workQuery, QStringLiteral("twin")), 2);
    EXPECT_EQ(usertable::resetPassword(shop.data.workQuery, QStringLiteral("李四")), 0);
    EXPECT_EQ(usertable::remove(shop.data.workQuery, QStringLiteral("李四")), 0);
    EXPECT_FALSE(usertable::setPassword(shop.data.workQuery, 9999, QStringLiteral("x1")));
    EXPECT_EQ(shop.scalar(QStringLiteral("select count(*) from userdb where passwd in ('same1')")).toInt(), 0);
}

} // namespace
