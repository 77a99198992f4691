#include "data/pgpass.h"

#include "common/errors.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString contents(const QString &fileName)
{
    QFile f(fileName);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QStringLiteral("(none)");
}

} // namespace

TEST(PgPass, ALineIsWrittenAsLibpqReadsIt)
{
    EXPECT_EQ(pgpass::line({"shop.local", "5432", "shop", "till1"}, "秘密"), "shop.local:5432:shop:till1:秘密");
    EXPECT_EQ(pgpass::line({"::1", "5432", "a:b", "x\\y"}, "p:w\\d"), "\\:\\:1:5432:a\\:b:x\\\\y:p\\:w\\\\d");
}

TEST(PgPass, AnAccountsLineIsReplacedAndEveryOtherKeptOwnerOnly)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(".pgpass");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("other:5432:*:admin:x\nshop.local:5432:shop:till1:old\n");
    }
    pgpass::store({"shop.local", "5432", "shop", "till1"}, "new", file);
    pgpass::store({"shop.local", "5432", "shop", "till2"}, "two", file);
    EXPECT_EQ(contents(file),
              "other:5432:*:admin:x\nshop.local:5432:shop:till1:new\nshop.local:5432:shop:till2:two\n");
    EXPECT_EQ(QFile::permissions(file) & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup |
                                          QFileDevice::WriteOther),
              QFileDevice::Permissions{})
        << "others may not read it";

    // A folder that cannot be written to: said so, the file stays.
    EXPECT_THROW(pgpass::store({"h", "1", "d", "u"}, "p", dir.filePath("no/such/folder/.pgpass")), UserVisibleError);
}
