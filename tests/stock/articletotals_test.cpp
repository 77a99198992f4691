#include "stock/articletotals.h"

#include "data/dataset.h"
#include "data/routines.h"
#include "support/engines.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

// The totals on a shop file and on a shop on a server.
class ArticleTotalsTest : public testing::Test, protected ShopFixture {
protected:
    using ShopFixture::ShopFixture;

    // A stock row: name, model, code, category and the six summed figures ([2] [3] [5] [6] [7] [8]).
    void add(const QVariant &a, const QVariant &b, const QVariant &c, const QVariant &d, const QVariantList &figures)
    {
        QVariantHash row{{"a", a}, {"b", b}, {"c", c}, {"d", d}, {"day1", "2014-07-01"}};
        const char *fields[] = {"2", "3", "5", "6", "7", "8"};
        for (int i = 0; i < figures.size(); ++i)
            row.insert(QLatin1String(fields[i]), figures.at(i));
        shop.addStockRow(row);
    }
    // Every line of a result: its values as the program sees them (null, number, text).
    static QList<QVariantList> linesOf(const Dataset &lines)
    {
        QList<QVariantList> all;
        for (int row = 0; row < lines.recordCount(); ++row) {
            QVariantList values;
            for (int column = 0; column < lines.columnCount(); ++column)
                values << lines.value(row, column);
            all << values;
        }
        return all;
    }
    // The lines totalled in one pass beside the lines of the database's GROUP BY.
    void expectSameAsTheStatement()
    {
        Dataset made(shop.db, "made"), grouped(shop.db, "grouped");
        articletotals::load(made);
        routines::open(grouped, articletotals::statement());
        EXPECT_EQ(made.columns(), grouped.columns());
        const QList<QVariantList> madeLines = linesOf(made), groupedLines = linesOf(grouped);
        ASSERT_EQ(madeLines.size(), groupedLines.size());
        for (int i = 0; i < madeLines.size(); ++i) {
            for (int c = 0; c < madeLines.at(i).size(); ++c) {
                const QVariant &m = madeLines.at(i).at(c), &g = groupedLines.at(i).at(c);
                // A number the same number, whole or real as the database gives it.
                EXPECT_EQ(m.isNull(), g.isNull()) << "line " << i << " column " << c;
                EXPECT_EQ(m.typeId(), g.typeId()) << "line " << i << " column " << c;
                EXPECT_EQ(m, g) << "line " << i << " column " << c << ": " << m.toString().toStdString() << " / "
                                << g.toString().toStdString();
            }
        }
    }
};

using ArticleTotalsOnEngine = OnBothEngines<ArticleTotalsTest>;

INSTANTIATE_ON_BOTH_ENGINES(ArticleTotalsOnEngine);

TEST_P(ArticleTotalsOnEngine, OneLinePerArticleAsTheDatabaseGroupsThem)
{
    const QVariant none;
    const struct {
        QVariant a, b, c, d;
        QVariantList figures;
    } rows[] = {
        // Two batches of one article, one with negative figures (returns, stock below zero).
        {"衬衫", "L", "C1", "男装", {1, 10.5, 2, 30, -1, -10.5}},
        {"衬衫", "L", "C1", "男装", {2, -3, -1, -15, 3, 0.25}},
        // A missing model and an empty one: one article.
        {"衬衫", none, "C1", "男装", {1, 1, 0, 0, 1, 1}},
        {"衬衫", "", "C1", "男装", {4, 4, 1, 2, 3, 3}},
        // Texts that differ only in case or by trailing blanks are other articles.
        {"Shirt", "L", "S1", "男装", {1, 1, 1, 1, 1, 1}},
        {"shirt", "L", "S1", "男装", {2, 2, 2, 2, 2, 2}},
        {"衬衫 ", "L", "C1", "男装", {3, 3, 3, 3, 3, 3}},
        {"衬衫", "L ", "C1", "男装", {5, 5, 5, 5, 5, 5}},
        // Missing figures add nothing; an article without any has no sum.
        {"裤子", "XL", "K1", none, {none, 20, none, none, 7, none}},
        {"裤子", "XL", "K1", "", {none, 0.1, none, 5, 0.2, none}},
        // No name at all, and every text missing.
        {none, none, none, none, {1, 1, 1, 1, 1, 1}},
        {"", "", "", "", {0.1, 0.2, 0.3, 0.4, 0.5, 0.6}},
    };
    for (const auto &r : rows)
        add(r.a, r.b, r.c, r.d, r.figures);

    Dataset lines(shop.db, "lines");
    articletotals::load(lines);
    EXPECT_EQ(lines.columns(), articletotals::columns());
    // Byte order: no text before any text, capitals before small letters, a prefix before longer.
    const QList<QVariantList> expected{
        {"", "", "", "", 1.1, 1.2, 1.3, 1.4, 1.5, 1.6},
        {"Shirt", "L", "S1", "男装", 1.0, 1.0, 1.0, 1.0, 1.0, 1.0},
        {"shirt", "L", "S1", "男装", 2.0, 2.0, 2.0, 2.0, 2.0, 2.0},
        {"衬衫", "", "C1", "男装", 5.0, 5.0, 1.0, 2.0, 4.0, 4.0},
        {"衬衫", "L", "C1", "男装", 3.0, 7.5, 1.0, 15.0, 2.0, -10.25},
        {"衬衫", "L ", "C1", "男装", 5.0, 5.0, 5.0, 5.0, 5.0, 5.0},
        {"衬衫 ", "L", "C1", "男装", 3.0, 3.0, 3.0, 3.0, 3.0, 3.0},
        {"裤子", "XL", "K1", "", none, 20.1, none, 5.0, 7.2, none},
    };
    const QList<QVariantList> got = linesOf(lines);
    ASSERT_EQ(got.size(), 8);
    // The first line's sums are 0.1 + 1 and so on: compared as the database adds them below.
    for (int i = 1; i < expected.size(); ++i)
        EXPECT_EQ(got.at(i), expected.at(i)) << "line " << i;
    EXPECT_EQ(got.at(0).mid(0, 4), expected.at(0).mid(0, 4));
    expectSameAsTheStatement();
}

// Many rows of few articles, each with figures that are not exact in binary: the same lines, sum
// for sum to the last bit, as the database's GROUP BY.
TEST_P(ArticleTotalsOnEngine, ManyBatchesAddUpAsTheDatabaseAddsThem)
{
    QRandomGenerator random(22);
    const QStringList names{"衬衫", "裤子", "Jacke", "jacke", "外套 ", "外套"};
    for (int i = 0; i < 300; ++i) {
        auto text = [&](const QStringList &from) -> QVariant {
            const int pick = int(random.bounded(from.size() + 1));
            return pick == from.size() ? QVariant() : QVariant(from.at(pick));
        };
        QVariantList figures;
        for (int f = 0; f < 6; ++f) {
            const int kind = int(random.bounded(10));
            figures << (kind == 0 ? QVariant() : QVariant(double(int(random.bounded(200000)) - 100000) / 100));
        }
        add(text(names), text({"L", "", "XL"}), text({"C1", "c1"}), text({"男装", ""}), figures);
    }
    expectSameAsTheStatement();
}

// A shop file may hold a text where a figure belongs (written by another program): it counts as
// the number SQLite reads from it, as sum() counts it, and makes the sum a real number.
TEST_F(ArticleTotalsTest, TextsInFigureColumnsCountAsTheDatabaseCountsThem)
{
    add("衬衫", "L", "C1", "男装", {1, 1, 1, 1, 1, 1});
    add("衬衫", "L", "C1", "男装", {"", "12abc", "abc", " 3", "", ""});
    add("裤子", "L", "C1", "男装", {"", "", "", "", "", ""});
    expectSameAsTheStatement();
}

} // namespace
