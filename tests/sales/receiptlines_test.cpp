#include "sales/receiptlines.h"

#include "support/printers.h"

#include "receiptexample.h"

#include <gtest/gtest.h>

using receipt::Line;

namespace {

QString blanks(int n)
{
    return QString(n, QLatin1Char(' '));
}

struct NameCase {
    const char *name;
    QString expected;
};

} // namespace

TEST(ReceiptLines, NamesAreCutOrPaddedToEighteenGbkBytes)
{
    const NameCase cases[] = {
        // 20 bytes: the first nine characters and one blank.
        {"一二三四五六七八九十", QStringLiteral("一二三四五六七八九") + blanks(1)},
        // 6 bytes: padded with 12 blanks.
        {"连衣裙", QStringLiteral("连衣裙") + blanks(12)},
        // 21 bytes whose 18th byte is the first half of a character: cut before it, padded to 18.
        {"A一二三四五六七八九十", QStringLiteral("A一二三四五六七八") + blanks(1) + blanks(1)},
        // Exactly 18 bytes counts as long.
        {"ABCDEFGHIJKLMNOPQR", QStringLiteral("ABCDEFGHIJKLMNOPQR") + blanks(1)},
        {"ABCDEFGHIJKLMNOPQ", QStringLiteral("ABCDEFGHIJKLMNOPQ") + blanks(1)},
        {"T恤", QStringLiteral("T恤") + blanks(15)},
        {"", blanks(18)},
        // Characters GBK cannot encode take two bytes of room: Hangul, emoji, CJK Extension B.
        {"안녕하세요반갑습니다", QStringLiteral("안녕하세요반갑습니") + blanks(1)},
        {"😀T恤", QStringLiteral("😀T恤") + blanks(13)},
        {"A😀😀😀😀😀😀😀😀😀", QStringLiteral("A😀😀😀😀😀😀😀😀") + blanks(1) + blanks(1)},
        {"𠀀𠀁𠀂𠀃𠀄𠀅𠀆𠀇𠀈𠀉", QStringLiteral("𠀀𠀁𠀂𠀃𠀄𠀅𠀆𠀇𠀈") + blanks(1)},
        {"连衣裙한국", QStringLiteral("连衣裙한국") + blanks(8)},
    };
    for (const NameCase &c : cases) {
        const QString fitted = receipt::fitName(QString::fromUtf8(c.name));
        EXPECT_EQ(fitted, c.expected) << c.name;
    }
    const std::pair<const char *, int> widths[] = {
        {"T恤", 3}, {"한", 2}, {"😀", 2}, {"𠀀", 2}, {"€", 1}, {"e\u0301", 3},
    };
    for (auto [text, width] : widths)
        EXPECT_EQ(receipt::gbkWidth(QString::fromUtf8(text)), width) << text;
    // Every fitted name fills exactly the column, a cut one the column and its blank.
    for (const NameCase &c : cases) {
        const QString name = QString::fromUtf8(c.name);
        EXPECT_EQ(receipt::gbkWidth(receipt::fitName(name)), receipt::gbkWidth(name) >= 18 ? 19 : 18) << c.name;
    }
}

// In the fixed pitch of the receipt a Chinese character takes two columns, a Latin one one.
TEST(ReceiptLines, CharactersTakeTheirGbkWidthInColumns)
{
    QList<int> columns, widths;
    QStringList characters;
    for (const receipt::Cell &cell : receipt::cells(QStringLiteral("T恤 2元"))) {
        columns << cell.column;
        widths << cell.width;
        characters << cell.character;
    }
    EXPECT_EQ(columns, (QList<int>{0, 1, 3, 4, 5}));
    EXPECT_EQ(widths, (QList<int>{1, 2, 1, 1, 2}));
    EXPECT_EQ(characters.join(QString()), QStringLiteral("T恤 2元"));

    // An emoji is one character of two columns, never two halves of a surrogate pair.
    columns.clear();
    characters.clear();
    for (const receipt::Cell &cell : receipt::cells(QStringLiteral("😀한元"))) {
        columns << cell.column;
        characters << cell.character;
    }
    EXPECT_EQ(columns, (QList<int>{0, 2, 4}));
    EXPECT_EQ(characters, (QStringList{QStringLiteral("😀"), QStringLiteral("한"), QStringLiteral("元")}));
}

TEST(ReceiptLines, MoneyHasTwoDecimals)
{
    const std::pair<double, const char *> cases[] = {
        {100, "100.00"}, {9.85, "9.85"}, {0, "0.00"}, {-12.5, "-12.50"}, {0.005, "0.01"}, {1234567.891, "1234567.89"},
    };
    for (auto [value, expected] : cases)
        EXPECT_EQ(receipt::money(value), QString::fromLatin1(expected)) << value;
}

// The order of two lines, 40 and 50.15, paid with 100.
TEST(ReceiptLines, ReceiptOfTwoLines)
{
    const receipt::Content c = twoLineReceipt();

    const QString dashes(31, QLatin1Char('-'));
    const QList<Line> expected = {
        {0, QStringLiteral("   POS小票销售单"), true},
        {40, dashes},
        {60, QStringLiteral("销售单号：20140729100")},
        {90, QStringLiteral("收银员：超级管理员")},
        {120, QStringLiteral("打印时间：2014-07-29 09:05:07 ")},
        {150, dashes},
        {180, QStringLiteral("商品名称         数量     金额 ")},
        {210, QStringLiteral("连衣裙") + blanks(12) + QStringLiteral(" 1      40")},
        {240, QStringLiteral("一二三四五六七八九") + blanks(1) + QStringLiteral(" -1.5      50.15")},
        {270, dashes},
        {300, QStringLiteral("合计:90.15元  ")},
        {330, QStringLiteral("现金:100.00元  找零:9.85元")},
        {360, dashes},
        {390, QStringLiteral("宣传一")},
        {420, QStringLiteral("宣传二")},
        {450, dashes},
        {480, QStringLiteral("      欢迎下次惠顾！")},
        {510, dashes},
    };
    const QList<Line> actual = receipt::lines(c);
    ASSERT_EQ(actual.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].y, expected[i].y) << i;
        EXPECT_EQ(actual[i].text, expected[i].text) << i;
        EXPECT_EQ(actual[i].title, expected[i].title) << i;
    }
}

TEST(ReceiptLines, WithoutItemsTheSeparatorFollowsTheColumnTitles)
{
    const QList<Line> lines = receipt::lines({});
    ASSERT_EQ(lines.size(), 16);
    EXPECT_EQ(lines[7].y, 210);
    EXPECT_EQ(lines[7].text, receipt::separator());
    EXPECT_EQ(lines.last().y, 450);
}
