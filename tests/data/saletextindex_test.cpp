#include "data/saletextindex.h"

#include "data/database.h"
#include "data/routines.h"
#include "data/shopfilecheck.h"
#include "maintenance/databasefilecheck.h"
#include "sales/salelines.h"
#include "sales/saleslistings.h"
#include "support/testapp.h"

#include <gtest/gtest.h>
#include <random>
#include <sqlite3.h>

namespace {

// Characters that make `like` and the trigram index part ways if anything does: Latin letters in
// both cases (like folds them), letters like folds and FTS5 does not, or the other way round
// (É/é, the Kelvin sign), the signs like reads as wildcards or escapes, quotes, Chinese, a
// character GBK lacks, one beyond the BMP, a blank and a NUL.
const QString kAlphabet = QStringLiteral("aAbBkKzZ%_\\'\" 裤衬Éé\u212A한") + QString::fromUcs4(U"😀") +
                          QString(QChar(0));

// Sale lines with random texts in every searched column, and searches typed into every field, the
// listing through the index checked row for row against the plain scan.
class SaleTextIndexTest : public ::testing::Test {
protected:
    SaleTextIndexTest() { EXPECT_TRUE(shop.db.hasSaleTextIndex()) << "this SQLite has FTS5 with the trigram tokenizer"; }

    QString randomText(int longest)
    {
        const QList<uint> letters = kAlphabet.toUcs4();
        QList<uint> text;
        const int length = std::uniform_int_distribution<int>(0, longest)(random);
        for (int i = 0; i < length; ++i)
            text << letters.at(std::uniform_int_distribution<int>(0, int(letters.size()) - 1)(random));
        return QString::fromUcs4(text.constData(), text.size());
    }
    // A stored value: mostly a text, sometimes null or a number (a code typed as digits).
    QVariant randomValue()
    {
        switch (std::uniform_int_distribution<int>(0, 9)(random)) {
        case 0:
            return QVariant();
        case 1:
            return QVariant(std::uniform_int_distribution<int>(0, 99999)(random));
        default:
            return randomText(8);
        }
    }
    QVariantHash randomTexts()
    {
        QVariantHash values;
        for (const QString &column : saletextindex::columns())
            values.insert(column, randomValue());
        return values;
    }
    long long addLine(Database &db) { return addLineWith(db, randomTexts()); }
    long long addLineWith(Database &db, QVariantHash values)
    {
        values.insert(QStringLiteral("3"), 1);
        values.insert(QStringLiteral("day1"), QStringLiteral("2014-07-10"));
        QStringList names, marks;
        QVariantList params;
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            names << QLatin1Char('[') + it.key() + QLatin1Char(']');
            marks << QStringLiteral("?");
            params << it.value();
        }
        db.execute(Statement(QStringLiteral("INSERT INTO data1 (%1) VALUES (%2)")
                                 .arg(names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
                             params));
        return db.lastInsertId();
    }
    // A text to search: a piece of a stored text with its letters' case changed at random, or a
    // random text.
    QString typedText()
    {
        QString typed;
        if (std::uniform_int_distribution<int>(0, 2)(random) == 0) {
            typed = randomText(4);
        } else {
            const QVariant stored = shop.scalar(
                QStringLiteral("SELECT %1 FROM data1 ORDER BY random() LIMIT 1")
                    .arg(saletextindex::columns().at(std::uniform_int_distribution<int>(0, 6)(random))));
            const QList<uint> text = stored.toString().toUcs4();
            const int from = text.isEmpty() ? 0 : std::uniform_int_distribution<int>(0, int(text.size()) - 1)(random);
            const int length = std::uniform_int_distribution<int>(1, 5)(random);
            const QList<uint> piece = text.mid(from, length);
            typed = QString::fromUcs4(piece.constData(), piece.size());
            for (QChar &c : typed) {
                if (std::uniform_int_distribution<int>(0, 1)(random))
                    c = c.isUpper() ? c.toLower() : c.toUpper();
            }
        }
        return typed.isEmpty() ? QStringLiteral("aaa") : typed;
    }

    QList<long long> listed(const Statement &statement)
    {
        routines::open(shop.data.salesQuery, statement);
        QList<long long> keys;
        for (int r = 0; r < shop.data.salesQuery.recordCount(); ++r)
            keys << shop.data.salesQuery.key(r);
        return keys;
    }

    // Every field searched for typed texts: the same rows through the index as by the plain scan;
    // the index's own check of its entries against the rows passes.
    void expectSameAsPlainScan(const char *after)
    {
        SCOPED_TRACE(after);
        shop.exec(QStringLiteral("INSERT INTO data1_text(data1_text) VALUES ('integrity-check')"));
        using Field = QString SalesConditions::*;
        const Field fields[] = {&SalesConditions::category, &SalesConditions::name,     &SalesConditions::code,
                                &SalesConditions::model,    &SalesConditions::customer, &SalesConditions::remark};
        for (int round = 0; round < 40; ++round) {
            SalesConditions conditions;
            conditions.*fields[round % 6] = typedText();
            if (round % 5 == 0) // two fields at once
                conditions.*fields[(round + 1) % 6] = typedText();
            const Statement indexed = saleslistings::sales(conditions, true);
            const QString trace = conditions.name + QLatin1Char('|') + conditions.category + QLatin1Char('|') +
                                  conditions.code + QLatin1Char('|') + conditions.model + QLatin1Char('|') +
                                  conditions.customer + QLatin1Char('|') + conditions.remark;
            EXPECT_EQ(listed(indexed), listed(saleslistings::sales(conditions, false))) << trace.toStdString();
            const QString number = typedText();
            EXPECT_EQ(listed(saleslistings::orderNumber(number, true)), listed(saleslistings::orderNumber(number, false)))
                << number.toStdString();
        }
    }

    std::mt19937 random{20140729};
    TestShop shop;
};

TEST_F(SaleTextIndexTest, SearchesGiveThePlainScansRowsAfterEveryKindOfWrite)
{
    for (int i = 0; i < 300; ++i)
        addLine(shop.db);
    expectSameAsPlainScan("inserted");

    struct Write {
        const char *name;
        std::function<void()> run;
    };
    auto someKeys = [&](int count) {
        QVariantList keys;
        shop.db.query(Statement(QStringLiteral("SELECT ID FROM data1 ORDER BY random() LIMIT %1").arg(count)),
                      [&](const ResultRow &row) { keys << row.integer(0); });
        return keys;
    };
    const Write writes[] = {
        {"texts changed",
         [&] {
             for (const QVariant &key : someKeys(60)) {
                 const QString column = saletextindex::columns().at(std::uniform_int_distribution<int>(0, 6)(random));
                 shop.exec(QStringLiteral("UPDATE data1 SET %1=? WHERE ID=?").arg(column), {randomValue(), key});
             }
         }},
        {"every text of a line changed at once",
         [&] {
             for (const QVariant &key : someKeys(20)) {
                 const QVariantHash texts = randomTexts();
                 shop.exec(QStringLiteral("UPDATE data1 SET d=?, e=?, c=?, f=?, g=?, j=?, z=? WHERE ID=?"),
                           {texts["d"], texts["e"], texts["c"], texts["f"], texts["g"], texts["j"], texts["z"], key});
             }
         }},
        {"other columns changed", [&] { shop.exec(QStringLiteral("UPDATE data1 SET [6]=[6]+1, a=a||'x'")); }},
        {"keys changed", [&] { shop.exec(QStringLiteral("UPDATE data1 SET ID=ID+100000 WHERE ID%7=0")); }},
        {"lines deleted",
         [&] {
             for (const QVariant &key : someKeys(50))
                 shop.exec(QStringLiteral("DELETE FROM data1 WHERE ID=?"), {key});
         }},
        {"a transaction rolled back",
         [&] {
             try {
                 inTransaction(shop.db, [&] {
                     for (int i = 0; i < 30; ++i)
                         addLine(shop.db);
                     shop.exec(QStringLiteral("UPDATE data1 SET e=? WHERE ID%3=0"), {randomText(6)});
                     shop.exec(QStringLiteral("DELETE FROM data1 WHERE ID%5=0"));
                     throw DbError(QStringLiteral("中途失败"));
                 });
             } catch (const DbError &) {
             }
         }},
        {"lines written by another program",
         [&] {
             const std::unique_ptr<Database> other = shop.otherConnection();
             for (int i = 0; i < 40; ++i)
                 addLine(*other);
             other->execute(Statement(QStringLiteral("UPDATE data1 SET g=?, z=? WHERE ID%4=1"), {randomText(6), randomText(6)}));
             other->execute(Statement(QStringLiteral("DELETE FROM data1 WHERE ID%9=2")));
         }},
        {"every line deleted", [&] { shop.exec(QStringLiteral("DELETE FROM data1")); }},
        {"lines inserted again",
         [&] {
             for (int i = 0; i < 200; ++i)
                 addLine(shop.db);
         }},
    };
    for (const Write &write : writes) {
        write.run();
        expectSameAsPlainScan(write.name);
    }
}

TEST_F(SaleTextIndexTest, OnlyTextsOfThreeCharactersOrMoreUseTheIndex)
{
    const struct {
        QString typed;
        bool indexed;
        bool orderIndexed; // the order number is searched without blanks around it
    } cases[] = {
        {QStringLiteral("ab"), false, false},
        {QStringLiteral("abc"), true, true},
        {QString::fromUcs4(U"😀😀"), false, false}, // two characters in four UTF-16 units
        {QString::fromUcs4(U"😀😀😀"), true, true},
        {QStringLiteral("a") + QChar(0) + QStringLiteral("b"), false, false}, // the NUL is no character
        {QStringLiteral("裤子 "), true, false},
    };
    for (const auto &c : cases) {
        SalesConditions conditions;
        conditions.name = c.typed;
        EXPECT_EQ(saleslistings::sales(conditions, true).sql.contains(saletextindex::table()), c.indexed)
            << c.typed.toStdString();
        EXPECT_EQ(saleslistings::orderNumber(c.typed, true).sql.contains(saletextindex::table()), c.orderIndexed)
            << c.typed.toStdString();
    }
    // A search narrowed by the index reads the candidates by key, not every line.
    SalesConditions conditions;
    conditions.code = QStringLiteral("69170");
    const Statement search = saleslistings::sales(conditions, true);
    QString plan;
    shop.db.query(Statement(QStringLiteral("explain query plan ") + search.sql, search.params),
                  [&](const ResultRow &row) { plan += row.value(3).toString() + "; "; });
    EXPECT_TRUE(plan.contains("INTEGER PRIMARY KEY") && plan.contains("VIRTUAL TABLE")) << plan.toStdString();
}

// The shop file as another program may leave it, opened again: the index made or made again whole
// (the person told while it is made), or left alone when an object of its names is not the
// program's.
TEST(SaleTextIndexUpgrade, OpeningMakesAMissingOrBrokenIndexWhole)
{
    const struct {
        const char *name;
        const char *beforeWrites; // run by another program before it writes lines
        bool madeAgain;           // the opening makes the index (the person is told)
    } cases[] = {
        {"a file from before the index",
         "DROP TRIGGER data1_text_insert; DROP TRIGGER data1_text_delete; DROP TRIGGER data1_text_update; "
         "DROP TABLE data1_text",
         true},
        {"a trigger removed by another program", "DROP TRIGGER data1_text_update", true},
        {"the table removed, the triggers left",
         "DROP TRIGGER data1_text_insert; DROP TRIGGER data1_text_delete; DROP TRIGGER data1_text_update; "
         "DROP TABLE data1_text; CREATE TABLE data1_text_note (x)",
         true},
        {"the index whole", "", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TestShop shop;
        addSaleLine(shop, {{"e", "nzkx"}, {"3", 1}, {"day1", "2014-07-10"}});
        shop.db.close();
        sqlite3 *other = nullptr;
        ASSERT_EQ(sqlite3_open(shop.db.fileName().toUtf8().constData(), &other), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(other, c.beforeWrites, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(other);
        // Lines the index does not hear of when its triggers are gone.
        ASSERT_EQ(sqlite3_exec(other,
                               "INSERT INTO data1 (e, [3], day1) VALUES ('anzkb', 1, '2014-07-11'); "
                               "UPDATE data1 SET e='qqq' WHERE e='nzkx'",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK)
            << sqlite3_errmsg(other);
        sqlite3_close(other);

        QStringList told;
        shop.db.setUpgradeNotice([&](const QString &what) { told << what; });
        shop.db.open();
        ASSERT_TRUE(shop.db.hasSaleTextIndex());
        EXPECT_EQ(told.size(), c.madeAgain ? 2 : 0);
        if (c.madeAgain) {
            EXPECT_FALSE(told.front().isEmpty());
            EXPECT_TRUE(told.back().isEmpty());
        }
        shop.exec(QStringLiteral("INSERT INTO data1_text(data1_text) VALUES ('integrity-check')"));
        SalesConditions conditions;
        conditions.name = QStringLiteral("nzk");
        routines::open(shop.data.salesQuery, saleslistings::sales(conditions, true));
        EXPECT_EQ(shop.data.salesQuery.recordCount(), 1);
        conditions.name = QStringLiteral("qqq");
        routines::open(shop.data.salesQuery, saleslistings::sales(conditions, true));
        EXPECT_EQ(shop.data.salesQuery.recordCount(), 1);
    }
}

TEST(SaleTextIndexUpgrade, AnObjectOfItsNameThatIsNotTheProgramsIsLeftAloneAndNotUsed)
{
    TestShop shop;
    shop.db.close();
    sqlite3 *other = nullptr;
    ASSERT_EQ(sqlite3_open(shop.db.fileName().toUtf8().constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other,
                           "DROP TRIGGER data1_text_insert; DROP TRIGGER data1_text_delete; "
                           "DROP TRIGGER data1_text_update; DROP TABLE data1_text; "
                           "CREATE TABLE data1_text (kept TEXT); INSERT INTO data1_text VALUES ('someone''s rows')",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(other);
    shop.db.open();
    EXPECT_FALSE(shop.db.hasSaleTextIndex());
    EXPECT_EQ(shop.scalar("SELECT kept FROM data1_text").toString(), QStringLiteral("someone's rows"));
    // Searches go line by line.
    addSaleLine(shop, {{"e", "nzkx"}, {"3", 1}, {"day1", "2014-07-10"}});
    SalesConditions conditions;
    conditions.name = QStringLiteral("nzk");
    routines::open(shop.data.salesQuery, saleslistings::sales(conditions, shop.db.hasSaleTextIndex()));
    EXPECT_EQ(shop.data.salesQuery.recordCount(), 1);
}

TEST(SaleTextIndexUpgrade, AnIndexTakenApartWhileTheShopIsOpenIsNoLongerUsed)
{
    TestShop shop;
    ASSERT_TRUE(shop.db.hasSaleTextIndex());
    const std::unique_ptr<Database> other = shop.otherConnection();
    other->execute(Statement("DROP TRIGGER data1_text_insert"));
    EXPECT_FALSE(shop.db.hasSaleTextIndex());
}

// The index's table, the tables FTS5 keeps for it and its triggers are the program's: the start-up,
// the restore check and the removal of foreign objects leave them be; a trigger of one of its
// names doing something else is foreign.
TEST(SaleTextIndexSchema, TheIndexIsNoForeignObjectButAnImpostorIs)
{
    TestShop shop;
    shop.db.close();
    EXPECT_NO_THROW(Database::requireShopDatabase(shop.db.fileName()));
    EXPECT_EQ(databasefilecheck::problem(shop.db.fileName()), QString());

    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(shop.db.fileName().toUtf8().constData(), &db), SQLITE_OK);
    EXPECT_EQ(shopfilecheck::foreignObjects(db, true), QStringList());
    ASSERT_EQ(sqlite3_exec(db,
                           "DROP TRIGGER data1_text_delete; "
                           "CREATE TRIGGER data1_text_delete AFTER DELETE ON data1 BEGIN DELETE FROM userdb; END",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    EXPECT_EQ(shopfilecheck::foreignObjects(db, true), QStringList{QStringLiteral("触发器 data1_text_delete")});
    shopfilecheck::removeForeignObjects(db);
    sqlite3_close(db);
    // The impostor is gone, the rest of the index stays; the opening makes it whole again.
    shop.db.open();
    EXPECT_TRUE(shop.db.hasSaleTextIndex());
    EXPECT_EQ(shop.scalar("SELECT count(*) FROM sqlite_master WHERE type='trigger'").toInt(), 3);
}

} // namespace
