#include "data/collation.h"
#include "data/dataset.h"
#include "data/routines.h"
#include "support/testapp.h"

#include <QCollator>
#include <QComboBox>
#include <QLocale>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

// Garment names as code point order puts them, and as a shop keeper looks them up (by pinyin:
// bei, chen, da, ku, lian, mao, niu, wai, yu; Latin letters after Chinese).
const QStringList kByCodePoint = {"T恤", "外套", "大衣", "毛衣", "牛仔裤", "羽绒服", "背心", "衬衫", "裤子", "连衣裙"};
const QStringList kByPinyin = {"背心", "衬衫", "大衣", "裤子", "连衣裙", "毛衣", "牛仔裤", "外套", "羽绒服", "T恤"};

int sign(int v) { return (v > 0) - (v < 0); }

TEST(Collation, ChineseGoesInPinyinOrder)
{
    // A collator that fell back to the C library's collation would keep the code point order.
    QStringList names = kByCodePoint;
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) { return collation::compare(a, b) < 0; });
    EXPECT_EQ(names, kByPinyin);
}

TEST(Collation, RanksFollowCompareAndOnlyEqualTextsShareOne)
{
    // Repeated texts, texts differing only in case, and texts ICU holds equal because one has a
    // control character pasted in: still two texts, always in the same order.
    const QStringList texts = {"大衣", "a", "ab", "背心", "A", "大衣", QStringLiteral("a\u0001b"), "10", "9", "", "背心"};
    const std::vector<int> ranks = collation::ranks(texts);
    ASSERT_EQ(ranks.size(), size_t(texts.size()));
    for (int i = 0; i < texts.size(); ++i) {
        for (int j = 0; j < texts.size(); ++j) {
            const int c = collation::compare(texts[i], texts[j]);
            EXPECT_EQ(sign(ranks[size_t(i)] - ranks[size_t(j)]), c) << texts[i].toStdString() << " " << texts[j].toStdString();
            EXPECT_EQ(c == 0, texts[i] == texts[j]);
            EXPECT_EQ(c, -collation::compare(texts[j], texts[i]));
        }
    }
    EXPECT_EQ(*std::max_element(ranks.begin(), ranks.end()), 8) << "nine distinct texts";
}

// The order is ICU's Chinese collation set up as Qt's own collator sets it up: on a varied sample
// of what a shop types (names, sizes, codes, full-width and mixed texts, punctuation, spaces,
// characters outside the basic plane) it is exactly QCollator's order, texts it holds equal by
// code unit, both through compare() and through the ranks a title sort uses.
TEST(Collation, IsQtsChineseOrder)
{
    QStringList sample = {"背心", "衬衫", "大衣", "裤子", "连衣裙", "毛衣", "牛仔裤", "外套", "羽绒服", "T恤", "t恤",
                          "长袖", "长裤", "重庆", "银行", "行走", "阿迪", "啊", "ā", "a", "A", "Z", "z", "0", "9", "10",
                          "１０", "Ｔ恤", "XL", "xl", "XXL", "L码", "M码", "红色XL", "红色L", "红色", "紅色",
                          "  空格", "空格", "-", "—", "·", "（特价）", "(特价)", "特价！", "特价", "𠀀", "𪚥", "😀",
                          "", QStringLiteral("a\u0001b"), "ab", "T恤 白", "T恤白", "白T恤", "卫衣", "衛衣", "帽"};
    QCollator qt(QLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China));
    auto byQt = [&](const QString &a, const QString &b) {
        const int c = qt.compare(a, b);
        return c != 0 ? c < 0 : a.compare(b, Qt::CaseSensitive) < 0;
    };
    QStringList expected = sample;
    std::sort(expected.begin(), expected.end(), byQt);
    QStringList ours = sample;
    std::sort(ours.begin(), ours.end(), [](const QString &a, const QString &b) { return collation::compare(a, b) < 0; });
    EXPECT_EQ(ours, expected);
    const std::vector<int> ranks = collation::ranks(sample);
    QStringList byRank(sample.size());
    for (int i = 0; i < sample.size(); ++i)
        byRank[ranks[size_t(i)]] = sample[i];
    EXPECT_EQ(byRank, expected);
}

QStringList column(const Dataset &rows, const char *name)
{
    QStringList values;
    for (int r = 0; r < rows.recordCount(); ++r)
        values << rows.value(r, QString::fromLatin1(name)).toString();
    return values;
}

QStringList entries(const QComboBox &list)
{
    QStringList values;
    for (int i = 0; i < list.count(); ++i)
        values << list.itemText(i);
    return values;
}

TEST(PinyinOrder, ListsAndTitleSortsAgreeAlsoAfterTheDatabaseIsReopened)
{
    TestShop shop;
    for (const QString &name : kByCodePoint)
        shop.addStockRow({{"a", name}});
    QComboBox list;

    routines::fillList(shop.data.workQuery, "a", "data", &list);
    EXPECT_EQ(entries(list), kByPinyin);

    Dataset &stock = shop.data.stockQuery;
    routines::open(stock, Statement("select * from data order by ID"));
    stock.sort("a");
    EXPECT_EQ(column(stock, "a"), kByPinyin);
    stock.sort("a DESC");
    QStringList reversed = kByPinyin;
    std::reverse(reversed.begin(), reversed.end());
    EXPECT_EQ(column(stock, "a"), reversed);

    // The order lives in the connection, not in the file: a reopened connection knows it too.
    shop.db.close();
    shop.db.open();
    routines::fillList(shop.data.workQuery, "a", "data", &list);
    EXPECT_EQ(entries(list), kByPinyin);
}

TEST(PinyinOrder, TitleSortPutsNullsThenNumbersByValueThenTextsAndKeepsEqualRowsInTheirOrder)
{
    TestShop shop;
    // [1] holds numbers; a text that is no number stays text there.
    struct Row {
        QVariant price;
        const char *code;
    };
    const Row rows[] = {{"大衣", "r1"}, {10, "r2"}, {QVariant(), "r3"}, {2, "r4"}, {"背心", "r5"}, {"大衣", "r6"},
                        {10, "r7"},     {QVariant(), "r8"}};
    for (const Row &row : rows)
        shop.addStockRow({{"1", row.price}, {"c", QString::fromLatin1(row.code)}});
    Dataset &stock = shop.data.stockQuery;
    routines::open(stock, Statement("select * from data order by ID"));

    stock.sort("1");
    EXPECT_EQ(column(stock, "c"), QStringList({"r3", "r8", "r4", "r2", "r7", "r5", "r1", "r6"}));
    stock.sort("1 DESC");
    EXPECT_EQ(column(stock, "c"), QStringList({"r1", "r6", "r5", "r2", "r7", "r4", "r3", "r8"}));

    // A list of numbers stays in number order.
    QComboBox list;
    shop.exec("delete from data where typeof([1])='text'");
    routines::fillList(shop.data.workQuery, "[1]", "data", &list);
    EXPECT_EQ(entries(list), QStringList({"", "2", "10"}));
}

} // namespace
