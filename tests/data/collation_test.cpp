#include "data/collation.h"
#include "data/dataset.h"
#include "data/routines.h"
#include "support/testapp.h"

#include <QCollator>
#include <QComboBox>
#include <QLocale>
#include <algorithm>
#include <numeric>
#include <random>
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

// The ranks a title sort uses put random texts exactly where sorting them by compare() does. The
// characters come from the whole basic plane and beyond it: Chinese, letters of both cases with
// and without accents, digits, full-width forms, punctuation, spaces, control and combining
// characters, Hangul, characters ICU compares two at a time (a pinyin vowel and its tone mark) or
// weighs as several; half of the
// texts extend or change one character of an earlier one, so many share a beginning and their
// order is decided late in the text.
TEST(Collation, RanksOfRandomTextsFollowCompare)
{
    std::mt19937 random(20261211);
    const std::vector<std::pair<char16_t, char16_t>> ranges = {
        {0x4E00, 0x9FFF}, {0x3400, 0x4DBF}, {'a', 'z'},       {'A', 'Z'},       {'0', '9'},       {0x20, 0x7E},
        {0xFF01, 0xFF5E}, {0x3000, 0x303F}, {0x00C0, 0x017F}, {0x0300, 0x036F}, {0xAC00, 0xD7A3}, {0x0001, 0x001F},
        {0x0E00, 0x0E7F}, {0x0600, 0x06FF}, {0x1100, 0x11FF}, {0x0001, 0xD7FF}, {0xE000, 0xFFFD}, {0x2000, 0x206F}};
    // Pieces ICU compares as one: pinyin vowels with a combining tone mark, place names read
    // otherwise than their characters, what ICU's tables use as markers; and their parts alone.
    const QStringList together = {QStringLiteral("a\u0304"), QStringLiteral("E\u0301"), QStringLiteral("u\u0308\u030C"),
                                  QStringLiteral("o\u0300"), QStringLiteral("\u00FC"), QStringLiteral("\u00EA\u0304"),
                                  "沈阳", "重庆", "藏文", "沈", "阳", "重", "庆", "藏", "文", "阳沈", QStringLiteral("\uFDD0O"),
                                  QStringLiteral("\uFDD1字"), QStringLiteral("\uF972阳")};
    auto randomCharacter = [&](QString &text) {
        const size_t which = random() % (ranges.size() + 2);
        if (which == ranges.size() + 1) {
            text += together[int(random() % together.size())];
            return;
        }
        if (which == ranges.size()) {
            const char32_t beyond = char32_t(0x20000 + random() % 0x1000);
            text += QString::fromUcs4(&beyond, 1);
            return;
        }
        const auto [from, to] = ranges[which];
        text += QChar(char16_t(from + random() % (to - from + 1)));
    };
    // A short list, and one long enough to be ranked in two halves that are then merged.
    for (const int count : {6000, 26000}) {
        QStringList texts;
        for (int i = 0; i < count; ++i) {
            QString text;
            if (i > 0 && random() % 2) {
                text = texts[int(random() % texts.size())];
                if (!text.isEmpty() && random() % 2)
                    text.chop(1);
            }
            for (int n = int(random() % 3); n >= 0; --n)
                randomCharacter(text);
            texts << text;
            if (random() % 10 == 0)
                texts << text; // a repeated text shares its rank
        }
        QStringList expected = texts;
        std::sort(expected.begin(), expected.end(),
                  [](const QString &a, const QString &b) { return collation::compare(a, b) < 0; });
        const std::vector<int> ranks = collation::ranks(texts);
        QStringList byRank(texts.size());
        std::vector<int> order(size_t(texts.size()));
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return ranks[size_t(a)] < ranks[size_t(b)]; });
        for (int i = 0; i < texts.size(); ++i)
            byRank[i] = texts[order[size_t(i)]];
        ASSERT_EQ(byRank.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            ASSERT_EQ(byRank[i], expected[i]) << "at " << i;
        for (int i = 1; i < texts.size(); ++i) {
            const int a = order[size_t(i - 1)], b = order[size_t(i)];
            EXPECT_EQ(ranks[size_t(a)] == ranks[size_t(b)], texts[a] == texts[b]);
        }
    }
}

// A loaded result hands its texts over as UTF-8 bytes. Bytes that are no UTF-8 (an overlong form,
// an encoded surrogate, a cut-off character, a stray byte) and characters beyond the basic plane
// are placed where compare() puts the texts they read as.
TEST(Collation, RanksOfUtf8BytesFollowCompareOfTheirTexts)
{
    const std::vector<std::string> bytes = {"\xC0\xAF",      "\xED\xA0\x80", "x\xE4\xB8", "a\xFFb", "\xF0\x9F\x98\x80",
                                            "\xE4\xB8\x81", "a",            "ab",       "",         "\xE5\x95\x8A",
                                            "\xC3\xA9",      "e\xCC\x81",    "\x7F",     "\xEF\xBF\xBD"};
    std::vector<std::string_view> views(bytes.begin(), bytes.end());
    const std::vector<int> ranks = collation::ranks(views);
    for (size_t i = 0; i < bytes.size(); ++i) {
        for (size_t j = 0; j < bytes.size(); ++j) {
            const QString a = QString::fromUtf8(bytes[i].data(), qsizetype(bytes[i].size()));
            const QString b = QString::fromUtf8(bytes[j].data(), qsizetype(bytes[j].size()));
            EXPECT_EQ(sign(ranks[i] - ranks[j]), collation::compare(a, b)) << i << " " << j;
        }
    }
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

// A long listing's column is read in one go for its sort, apart from the rows already shown.
TEST(PinyinOrder, TitleSortOfALongListingFollowsCompare)
{
    TestShop shop;
    const QStringList parts = {"羽绒服", "T恤", "t恤", "背心", "重庆", "沈阳", "阳", "衬衫", "XL", "",
                               "牛仔裤", "a\u0304", "１０", "9", "大衣", "𠀀"};
    std::mt19937 random(7);
    QStringList names;
    {
        Transaction writes(shop.db);
        for (int i = 0; i < 3000; ++i) {
            const QString name = parts[int(random() % parts.size())] + parts[int(random() % parts.size())];
            names << name;
            shop.addStockRow({{"a", name}});
        }
        writes.commit();
    }
    Dataset &stock = shop.data.stockQuery;
    routines::open(stock, Statement("select * from data order by ID"));
    stock.sort("a");
    std::stable_sort(names.begin(), names.end(), [](const QString &a, const QString &b) { return collation::compare(a, b) < 0; });
    EXPECT_EQ(column(stock, "a"), names);
}

// A column of texts and nulls only (sorted by the texts' ranks without comparing them): nulls first,
// equal texts in the order they were in, both ways.
TEST(PinyinOrder, TitleSortOfTextsAndNullsKeepsEqualRowsInTheirOrder)
{
    TestShop shop;
    const std::pair<QVariant, const char *> rows[] = {{"大衣", "r1"}, {QVariant(), "r2"}, {"背心", "r3"},
                                                      {"大衣", "r4"}, {QVariant(), "r5"}, {"背心", "r6"}};
    for (const auto &[name, code] : rows)
        shop.addStockRow({{"a", name}, {"c", QString::fromLatin1(code)}});
    Dataset &stock = shop.data.stockQuery;
    routines::open(stock, Statement("select * from data order by ID"));
    stock.sort("a");
    EXPECT_EQ(column(stock, "c"), QStringList({"r2", "r5", "r3", "r6", "r1", "r4"}));
    stock.sort("a DESC");
    EXPECT_EQ(column(stock, "c"), QStringList({"r1", "r4", "r3", "r6", "r2", "r5"}));
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
