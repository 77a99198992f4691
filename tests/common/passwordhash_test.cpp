#include "common/passwordhash.h"
#include "support/testapp.h"

#include <gtest/gtest.h>

namespace {

TEST(PasswordHash, AHashChecksItsPasswordOnlyAndNeverShowsIt)
{
    const QString password = QStringLiteral("Abc123");
    const QString first = passwordhash::make(password);
    const QString second = passwordhash::make(password);

    EXPECT_TRUE(passwordhash::isHash(first));
    EXPECT_FALSE(first.contains(password));
    EXPECT_NE(first, second) << "each hash has its own salt";
    EXPECT_TRUE(passwordhash::verify(first, password));
    EXPECT_TRUE(passwordhash::verify(second, password));
    for (const QString &wrong : {QStringLiteral("abc123"), QStringLiteral("Abc1234"), QString()})
        EXPECT_FALSE(passwordhash::verify(first, wrong)) << wrong.toStdString();
    EXPECT_FALSE(passwordhash::isOutdated(first));
}

TEST(PasswordHash, PlainTextsAndDamagedHashesAreNoHashes)
{
    for (const QString &plain : {QStringLiteral("927"), QString(), QStringLiteral("$argon")})
        EXPECT_FALSE(passwordhash::isHash(plain)) << plain.toStdString();
    const QString damaged = QStringLiteral("$argon2id$v=19$m=65536,t=2,p=1$nonsense");
    EXPECT_TRUE(passwordhash::isHash(damaged));
    EXPECT_FALSE(passwordhash::verify(damaged, QStringLiteral("927")));
    EXPECT_FALSE(passwordhash::verify(damaged + QString(200, QLatin1Char('x')), QStringLiteral("927")));
}

// The test shops start from a hash made once; it must still be one that today's settings make.
TEST(PasswordHash, TheTestShopsInitialHashIsCurrent)
{
    EXPECT_TRUE(passwordhash::verify(TestShop::initialPasswordHash(), passwordhash::initialPassword()));
    EXPECT_FALSE(passwordhash::isOutdated(TestShop::initialPasswordHash()));
}

} // namespace
