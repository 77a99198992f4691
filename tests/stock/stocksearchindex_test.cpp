#include "common/numbertext.h"
#include "data/database.h"
#include "data/resultrow.h"
#include "stock/stockconditions.h"
#include "stock/stocksearchindex.h"
#include "support/engines.h"

#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

#include <random>

namespace {

const QStringList kSummed{"2", "3", "5", "6", "7", "8"};

// Stock rows with random texts and figures, searched through the kept copy and through the
// conditions statement, after every kind of write: both must list the same rows in the same order
// with the same sums.
class StockSearchIndexTest : public ShopOnEngine {
protected:
    StockSearchIndexTest()
    {
        // Signs that mean something to `like` or to SQL, letters of both cases, Chinese, a character
        // beyond the basic plane. In a file also a NUL (a text ends there for `like`) and accented
        // capitals, which a file's `like` does not take for their small letters.
        alphabet = QStringLiteral("aAyYzZn%_'\\ 中羽绒𠀀1");
        if (GetParam() == TestShop::Engine::File)
            alphabet += QStringLiteral("Éé") + QChar(u'\0');
        inTransaction(shop.db, [&] {
            for (int i = 0; i < 300; ++i)
                addRandomRow(shop.db);
        });
    }

    QString randomText(int most)
    {
        QString text;
        for (int n = int(random() % unsigned(most + 1)); n > 0; --n) {
            const int at = int(random() % unsigned(alphabet.size()));
            // Keep the surrogate pair whole.
            if (alphabet.at(at).isSurrogate())
                text += QStringLiteral("𠀀");
            else
                text += alphabet.at(at);
        }
        return text;
    }
    QVariant randomFigure()
    {
        switch (random() % 5) {
        case 0:
            return {};
        case 1:
            return 0;
        default:
            return (int(random() % 2001) - 500) / 4.0;
        }
    }
    // Every searched text may be empty or null.
    QVariant randomSearched() { return random() % 6 == 0 ? QVariant() : QVariant(randomText(5)); }
    QVariantList randomValues()
    {
        QVariantList values{randomSearched(), randomSearched(), randomSearched()};
        for (int s = 0; s < kSummed.size(); ++s)
            values << randomFigure();
        return values;
    }
    void addRandomRow(Database &db)
    {
        db.execute(Statement("insert into data (e, f, c, [2], [3], [5], [6], [7], [8]) values (?,?,?,?,?,?,?,?,?)",
                             randomValues()));
    }
    void rewriteRandomRow(Database &db, long long key)
    {
        QVariantList values = randomValues();
        values << key;
        db.execute(Statement("update data set e=?, f=?, c=?, [2]=?, [3]=?, [5]=?, [6]=?, [7]=?, [8]=? where ID=?",
                             values));
    }
    std::vector<long long> keys()
    {
        std::vector<long long> all;
        shop.db.query(Statement("select ID from data order by ID"), [&](const ResultRow &row) { all.push_back(row.integer(0)); });
        return all;
    }
    long long someKey()
    {
        const std::vector<long long> all = keys();
        return all.at(random() % all.size());
    }

    // What the conditions statement lists.
    StockSearchIndex::Found listed(const QString &base, const StockConditions &conditions)
    {
        StockSearchIndex::Found found;
        std::vector<long long> units(size_t(kSummed.size()), 0);
        QStringList columns;
        const auto at = [&](const QString &name) {
            return int(std::find_if(columns.cbegin(), columns.cend(),
                                    [&](const QString &c) { return c.compare(name, Qt::CaseInsensitive) == 0; }) -
                       columns.cbegin());
        };
        shop.db.query(
            stockConditionsStatement(base, conditions),
            [&](const ResultRow &row) {
                found.keys.push_back(row.integer(at("ID")));
                for (int s = 0; s < kSummed.size(); ++s)
                    units[size_t(s)] += numbertext::fixed4Units(row.number(at(kSummed.at(s))));
            },
            &columns);
        for (int s = 0; s < kSummed.size(); ++s)
            found.sums.insert(kSummed.at(s), units[size_t(s)]);
        return found;
    }

    // Searches typed texts taken from the rows and random ones, in each field and in two at once,
    // under both listings.
    void expectSameAsTheStatement(const char *after)
    {
        SCOPED_TRACE(after);
        std::vector<QString> typed{QStringLiteral("y"), QStringLiteral("Y"), QStringLiteral("%"), QStringLiteral("_"),
                                   QStringLiteral("'"), QStringLiteral("\\"), QStringLiteral("羽"), QStringLiteral("𠀀")};
        shop.db.query(Statement("select e from data where e is not null order by ID limit 15"), [&](const ResultRow &row) {
            const QString text = row.text(0);
            if (!text.isEmpty())
                typed.push_back(text.mid(int(random() % unsigned(text.size()))).left(3));
        });
        for (int i = 0; i < 10; ++i)
            typed.push_back(randomText(3));
        for (const QString &base : {StockListing::allRows().baseCondition, StockListing::nonZeroStock().baseCondition}) {
            for (const QString &text : typed) {
                if (QString(text).remove(QChar(u'\0')).isEmpty())
                    continue;
                StockConditions name, model, code, both;
                name.name = text;
                model.model = text;
                code.code = text;
                both.name = text.left(1);
                both.model = text.right(1);
                for (const StockConditions &conditions : {name, model, code, both}) {
                    SCOPED_TRACE(QStringLiteral("%1 | %2 %3 %4").arg(base, conditions.name, conditions.model, conditions.code).toStdString());
                    const auto found = index.find(base, conditions);
                    ASSERT_TRUE(found.has_value());
                    const StockSearchIndex::Found expected = listed(base, conditions);
                    ASSERT_EQ(found->keys, expected.keys);
                    ASSERT_EQ(found->sums, expected.sums);
                }
            }
        }
    }

    // Another till's writes reach a server's tills a moment after they are committed.
    void untilHeard(long long version)
    {
        QElapsedTimer clock;
        clock.start();
        while (shop.db.onServer() && shop.db.dataVersion() < version && clock.elapsed() < 2000)
            QThread::msleep(10);
    }

    QString alphabet;
    std::mt19937 random{20261211};
    StockSearchIndex index{shop.db,
                           {StockListing::allRows().baseCondition, StockListing::nonZeroStock().baseCondition},
                           kSummed};
};

INSTANTIATE_ON_BOTH_ENGINES(StockSearchIndexTest);

TEST_P(StockSearchIndexTest, ListsWhatTheConditionsStatementListsAfterEveryKindOfWrite)
{
    expectSameAsTheStatement("first search");
    EXPECT_EQ(index.rowCount(), 300u);

    for (int i = 0; i < 5; ++i)
        addRandomRow(shop.db);
    expectSameAsTheStatement("rows added");

    // A sale: only figures change.
    for (int i = 0; i < 5; ++i)
        shop.exec("update data set [5]=[5]+1, [7]=[7]-1, [8]=0 where ID=?", {someKey()});
    expectSameAsTheStatement("figures written");

    for (int i = 0; i < 5; ++i)
        rewriteRandomRow(shop.db, someKey());
    expectSameAsTheStatement("texts written");

    shop.exec("delete from data where ID in (?, ?, ?)", {someKey(), someKey(), keys().back()});
    expectSameAsTheStatement("rows deleted");

    // A key written lower than the last one.
    shop.exec("insert into data (ID, e, [2]) values (?, 'yy', 1)", {keys().front() - 1});
    expectSameAsTheStatement("row added before the others");

    try {
        inTransaction(shop.db, [&] {
            rewriteRandomRow(shop.db, someKey());
            addRandomRow(shop.db);
            EXPECT_FALSE(index.find(StockListing::allRows().baseCondition, StockConditions{.name = "y"}).has_value())
                << "rows of an open group of writes may yet be rolled back";
            throw DbError("rolled back");
        });
    } catch (const DbError &) {
    }
    expectSameAsTheStatement("writes rolled back");

    const std::unique_ptr<Database> other = shop.otherConnection();
    const long long heard = shop.db.dataVersion();
    addRandomRow(*other);
    rewriteRandomRow(*other, someKey());
    other->execute(Statement("delete from data where ID=?", {someKey()}));
    untilHeard(heard + 3);
    expectSameAsTheStatement("another program wrote");

    if (GetParam() == TestShop::Engine::Server) {
        // A restore writes without the triggers, then announces that anything may have changed.
        other->execute(Statement("ALTER TABLE data DISABLE TRIGGER USER"));
        rewriteRandomRow(*other, someKey());
        other->execute(Statement("ALTER TABLE data ENABLE TRIGGER USER"));
        const long long before = shop.db.dataVersion();
        other->announceEverythingWritten();
        untilHeard(before + 1);
        expectSameAsTheStatement("restored");
    }

    // Every row at once, in the statements that empty a table without visiting its rows.
    shop.exec(GetParam() == TestShop::Engine::Server ? "truncate data" : "delete from data");
    expectSameAsTheStatement("table emptied");
    EXPECT_EQ(index.rowCount(), 0u);
    for (int i = 0; i < 20; ++i)
        addRandomRow(shop.db);
    expectSameAsTheStatement("rows added to the empty table");
}

TEST_P(StockSearchIndexTest, LeavesOtherConditionsToTheStatement)
{
    const QString all = StockListing::allRows().baseCondition;
    const StockConditions category{.category = "裤"}, remark{.remark = "z"}, supplier{.supplier = "a"},
        dates{.name = "y", .dateRange = true};
    for (const StockConditions &conditions : {category, remark, supplier, dates})
        EXPECT_FALSE(index.find(all, conditions).has_value());
    EXPECT_FALSE(index.find(QStringLiteral("where [8]>0"), StockConditions{.name = "y"}).has_value());
    // A NUL typed is no character: a field holding only NULs is empty.
    EXPECT_TRUE(index.find(all, StockConditions{.category = QString(QChar(u'\0')), .name = "y"}).has_value());
}

} // namespace
