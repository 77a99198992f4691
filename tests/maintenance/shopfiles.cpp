#include "maintenance/shopfiles.h"

#include "data/database.h"
#include "support/testapp.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace shopfiles {

QByteArray bytesOf(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void writeBytes(const QString &file, const QByteArray &bytes)
{
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << file.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QStringList namesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

void makeShop(const QString &file, int rows)
{
    Database db(file);
    db.create(TestShop::initialPasswordHash());
    inTransaction(db, [&] {
        for (int i = 1; i <= rows; ++i)
            db.execute(Statement("insert into data (a, [2], [7], z, day1) values (?, 10, 10, ?, '2014-07-01')",
                                 {QStringLiteral("商品%1").arg(i), QString(300, QChar(0x5907))}));
    });
}

namespace {
int count(const QString &file, const char *table)
{
    Database db(file);
    db.open();
    return db.scalar(Statement(QStringLiteral("select count(*) from %1").arg(QString::fromLatin1(table)))).toInt();
}
} // namespace

int stockRows(const QString &file)
{
    return count(file, "data");
}

int saleLines(const QString &file)
{
    return count(file, "data1");
}

void makeEmpty(const QString &file)
{
    writeBytes(file, {});
}

void makeText(const QString &file)
{
    writeBytes(file, QStringLiteral("这是一个记事本文件，不是数据库。\n").toUtf8().repeated(50));
}

void makeTruncated(const QString &file)
{
    makeShop(file, 200);
    const QByteArray whole = bytesOf(file);
    writeBytes(file, whole.left(whole.size() / 2));
}

void makeForeign(const QString &file)
{
    // The same engine with other tables: a shop database whose tables are replaced.
    Database db(file);
    db.create(TestShop::initialPasswordHash());
    for (const char *table : {"data", "data1", "userdb", "rz"})
        db.execute(Statement(QStringLiteral("DROP TABLE %1").arg(QString::fromLatin1(table))));
    db.execute(Statement("CREATE TABLE notes (id INTEGER PRIMARY KEY, text TEXT)"));
    db.execute(Statement("INSERT INTO notes (text) VALUES ('买菜')"));
}

void makeWithoutPasswords(const QString &file)
{
    Database db(file);
    db.create(TestShop::initialPasswordHash());
    db.execute(Statement("DROP TABLE userdb"));
    db.execute(Statement("CREATE TABLE userdb (username TEXT)"));
}

namespace {

void makeShopWith(const QString &file, const QStringList &statements)
{
    makeShop(file, 20);
    Database db(file);
    db.open();
    for (const QString &sql : statements)
        db.execute(Statement(sql));
}

} // namespace

void makeWithStockEraser(const QString &file)
{
    makeShopWith(file, {QStringLiteral("CREATE TRIGGER t1 AFTER INSERT ON data1 BEGIN DELETE FROM data; END")});
}

void makeWithBackdoorUser(const QString &file)
{
    makeShopWith(file, {QStringLiteral("CREATE TRIGGER 登录 AFTER INSERT ON rz BEGIN "
                                       "INSERT INTO userdb (username, passwd) VALUES ('后门', '123'); END")});
}

void makeWithStockView(const QString &file)
{
    makeShopWith(file, {QStringLiteral("ALTER TABLE data RENAME TO stock_rows"),
                        QStringLiteral("CREATE VIEW data AS SELECT * FROM stock_rows")});
}

void makeWithOtherTable(const QString &file)
{
    makeShopWith(file, {QStringLiteral("CREATE TABLE notes (id INTEGER PRIMARY KEY, text TEXT)")});
}

void makeWithoutSuperadministrator(const QString &file)
{
    makeShopWith(file, {QStringLiteral("DELETE FROM userdb")});
}

void makeDamaged(const QString &file)
{
    makeShop(file, 200);
    QByteArray bytes = bytesOf(file);
    // Noise over a page in the middle of the stock rows.
    const qsizetype page = 4096;
    const qsizetype at = (bytes.size() / page / 2) * page;
    for (qsizetype i = at; i < at + page && i < bytes.size(); ++i)
        bytes[i] = char((i * 7919) & 0xff);
    writeBytes(file, bytes);
}

} // namespace shopfiles
