#include "stock/pinyin.h"

#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>

#include <gtest/gtest.h>

#include <string>

namespace {

QByteArray gbk(const QString &text)
{
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

QString fromGbk(const QByteArray &bytes)
{
    QStringDecoder decoder("GBK");
    return decoder.decode(bytes);
}

// Whether the list holds the character as a whole entry (lead, trail, blank).
bool listHolds(char letter, const QString &character)
{
    const QByteArray list = pinyinList(letter);
    const QByteArray code = gbk(character);
    for (qsizetype i = 0; i + 1 < list.size(); i += 3) {
        if (list.mid(i, 2) == code)
            return true;
    }
    return false;
}

constexpr const char *kLetters = "abcdefghjklmnopqrstwxyz";

// Level-2 characters that stand in no list: radicals, strokes and a few rare forms.
const QString kUnlisted = QStringLiteral(
    "丨丿丶匚刂冂亻伢佼偎氽勹亠冫冖讠诙谘卩阝叟廴凵垅艹苁莼薰廾扌搡吖呒哌咤唢唷嗦嗯噢囗"
    "峋崽彳徇徉彡犭夂饣忄怏惴丬氵泱淙漪宀辶迤彐屮嬉驿骢纟缢琮璁枰辍攵肫灬礻肀钅铮稔穑"
    "鹑疒窀衤衽虍蝽筝踔龊鞅麟");

struct TextCase
{
    const char *text; // UTF-8
    const char *initials;
};

void PrintTo(const TextCase &c, std::ostream *os)
{
    *os << '"' << c.text << '"';
}

class PinyinTextTest : public testing::TestWithParam<TextCase>
{
};

TEST_P(PinyinTextTest, GivesInitials)
{
    const TextCase &c = GetParam();
    const QString text = QString::fromUtf8(c.text);
    EXPECT_EQ(pinyinInitials(text), QByteArray(c.initials));
    // The byte-string form agrees whenever the whole text is GBK.
    QStringEncoder encoder("GBK");
    const QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError()) {
        EXPECT_EQ(pinyinInitials(bytes), QByteArray(c.initials));
    }
}

INSTANTIATE_TEST_SUITE_P(Names, PinyinTextTest, testing::Values(
    TextCase{"", ""},
    TextCase{"衣服", "yf"},
    TextCase{"羽绒服", "yrf"},
    TextCase{"衬衫2号", "cs2h"},
    TextCase{"T恤", "Tx"},
    TextCase{"牛仔裤 XL", "nzk!L"},    // the blank swallows the X
    TextCase{"A B", "A!"},
    TextCase{"X&Y", "X!"},
    TextCase{"（男）", "!n!"},          // full-width signs have no initial
    TextCase{"茇", "b"},                 // level 2, found in the lists
    TextCase{"伢", "!"},                 // level 2, in no list
    TextCase{"丂", "!"}));              // GBK outside GB2312 and outside the ranges

// Characters with several readings take the earliest letter.
INSTANTIATE_TEST_SUITE_P(SeveralReadings, PinyinTextTest, testing::Values(
    TextCase{"嗌", "a"}, TextCase{"拗", "a"}, TextCase{"钯", "b"}, TextCase{"陂", "b"},
    TextCase{"禅", "c"}, TextCase{"沓", "d"}, TextCase{"缲", "q"}, TextCase{"繇", "y"},
    TextCase{"茜", "q"}));

// The first and the last level-1 character of every initial's code range.
INSTANTIATE_TEST_SUITE_P(RangeBounds, PinyinTextTest, testing::Values(
    TextCase{"啊澳", "aa"}, TextCase{"芭怖", "bb"}, TextCase{"擦错", "cc"},
    TextCase{"搭堕", "dd"}, TextCase{"蛾贰", "ee"}, TextCase{"发咐", "ff"},
    TextCase{"噶过", "gg"}, TextCase{"哈祸", "hh"}, TextCase{"击骏", "jj"},
    TextCase{"喀阔", "kk"}, TextCase{"垃络", "ll"}, TextCase{"妈穆", "mm"},
    TextCase{"拿诺", "nn"}, TextCase{"哦沤", "oo"}, TextCase{"啪瀑", "pp"},
    TextCase{"期群", "qq"}, TextCase{"然弱", "rr"}, TextCase{"撒所", "ss"},
    TextCase{"塌唾", "tt"}, TextCase{"挖误", "ww"}, TextCase{"昔迅", "xx"},
    TextCase{"压孕", "yy"}, TextCase{"匝座", "zz"}));

// Characters GBK has no code for count as one unit without an initial; they neither
// swallow the next character nor split into two units.
INSTANTIATE_TEST_SUITE_P(NotInGbk, PinyinTextTest, testing::Values(
    TextCase{"¥5", "!5"},
    TextCase{"A😀B", "A!B"},
    TextCase{"衣¥服", "y!f"},
    TextCase{"牛仔裤 ¥", "nzk!!"}));  // blank + first byte, then the rest: as for （

TEST(PinyinInitials, KeepsDigitsLettersAndTheKeptSigns)
{
    const QByteArray kept =
        "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ!.#$%()*+-,/[\\|^~`@{}_";
    EXPECT_EQ(pinyinInitials(kept), kept);
}

// Lead bytes 0xB0 to 0xD7 are left out: with any next byte they give a value inside a
// range, which the range table answers.
TEST(PinyinInitials, EveryOtherSingleByteSwallowsTheNextByte)
{
    const QByteArray kept =
        "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ!.#$%()*+-,/[\\|^~`@{}_";
    for (int byte = 0; byte < 256; ++byte) {
        if (kept.contains(char(byte)) || (byte >= 0xB0 && byte <= 0xD7))
            continue;
        QByteArray text("a");
        text += char(byte);
        text += "b1";
        EXPECT_EQ(pinyinInitials(text), QByteArray("a!1")) << "byte " << byte;
    }
}

struct BytesCase
{
    const char *name;
    QByteArray bytes;
    QByteArray initials;
};

class PinyinBytesTest : public testing::TestWithParam<BytesCase>
{
};

TEST_P(PinyinBytesTest, GivesInitials)
{
    EXPECT_EQ(pinyinInitials(GetParam().bytes), GetParam().initials);
}

INSTANTIATE_TEST_SUITE_P(
    StrayBytes, PinyinBytesTest,
    testing::Values(
        // A blank before a Chinese character takes its lead byte; the trail byte of 衣
        // (C2) then leads a unit with the lead byte of 服 (B7): 0xC2B7 lies in l's range;
        // the trail byte of 服 pairs with the zero byte at the end.
        BytesCase{"BlankBeforeChinese", QByteArray("A \xD2\xC2\xB7\xFE"), QByteArray("A!l!")},
        // A blank and the lead byte of a level-2 character are no listed character.
        BytesCase{"BlankBeforeLevel2", QByteArray("A \xDC\xD8"), QByteArray("A!!")},
        BytesCase{"BlankAtEnd", QByteArray("ab "), QByteArray("ab!")},
        BytesCase{"HighByteBeforeDigit", QByteArray("\x80" "5"), QByteArray("!")},
        // Any unit whose value falls in a range gets its letter, GBK extensions included.
        BytesCase{"GbkExtensionInRange", QByteArray("\xB1\x40"), QByteArray("b")},
        BytesCase{"JustBelowFirstRange", QByteArray("\xB0\xA0"), QByteArray("!")},
        BytesCase{"JustAboveLastRange", QByteArray("\xD7\xFA"), QByteArray("!")},
        BytesCase{"Empty", QByteArray(), QByteArray()}),
    [](const testing::TestParamInfo<BytesCase> &info) { return std::string(info.param.name); });

TEST(InitialOfChar, AnswersOnlyInsideTheRanges)
{
    EXPECT_EQ(initialOfChar(0xB0, 0xA1), 'a');
    EXPECT_EQ(initialOfChar(0xD7, 0xF9), 'z');
    EXPECT_EQ(initialOfChar(0xB0, 0xA0), std::nullopt);
    EXPECT_EQ(initialOfChar(0xD7, 0xFA), std::nullopt);
    EXPECT_EQ(initialOfChar(0xDC, 0xD8), std::nullopt); // 茇: level 2 is left to the lists
    // Bytes given as plain (signed) chars still count as unsigned.
    EXPECT_EQ(initialOfChar(char(0xD2), char(0xC2)), 'y');
}

// The first entries of some lists as the shop has always had them, read as memberships.
TEST(PinyinLists, HoldTheKnownCharacters)
{
    const struct
    {
        char letter;
        const char *characters;
    } rows[] = {
        {'a', "锕捱嗳嗌嫒瑷暧砹锿霭"},
        {'b', "茇菝岜灞钯粑鲅魃捭掰"},
        {'e', "噩谔垩苊莪萼呃愕屙婀"},
        {'o', "讴怄瓯耦"},
        {'x', "僖兮隰郗茜菥葸蓰奚唏"},
        {'q', "茜缲"},
        {'y', "嗌繇"},
        {'p', "钯陂"},
        {'t', "沓"},
    };
    for (const auto &row : rows) {
        for (const QChar character : QString::fromUtf8(row.characters))
            EXPECT_TRUE(listHolds(row.letter, character))
                << QString(character).toStdString() << " in " << row.letter;
    }
}

TEST(PinyinLists, AreGbkLevel2CharactersEachFollowedByABlank)
{
    for (const char *letter = kLetters; *letter; ++letter) {
        const QByteArray list = pinyinList(*letter);
        ASSERT_FALSE(list.isEmpty()) << *letter;
        ASSERT_EQ(list.size() % 3, 0) << *letter;
        QSet<QByteArray> seen;
        for (qsizetype i = 0; i < list.size(); i += 3) {
            const auto lead = static_cast<unsigned char>(list[i]);
            const auto trail = static_cast<unsigned char>(list[i + 1]);
            EXPECT_TRUE(lead >= 0xD8 && lead <= 0xF7 && trail >= 0xA1 && trail <= 0xFE)
                << *letter << " entry " << i / 3;
            EXPECT_EQ(list[i + 2], ' ');
            EXPECT_FALSE(seen.contains(list.mid(i, 2))) << *letter << " entry " << i / 3;
            seen.insert(list.mid(i, 2));
        }
    }
    for (const char letter : {'i', 'u', 'v', 'A', '!', '\0'})
        EXPECT_TRUE(pinyinList(letter).isEmpty()) << letter;
}

// Every GB2312 level-2 character has an initial, except the unlisted ones; the initial
// is the first list, in letter order, that holds the character.
TEST(PinyinLists, CoverLevel2ExceptTheUnlistedCharacters)
{
    QSet<QByteArray> unlisted;
    for (const QChar character : kUnlisted)
        unlisted.insert(gbk(character));
    ASSERT_EQ(unlisted.size(), 93);

    for (int lead = 0xD8; lead <= 0xF7; ++lead) {
        for (int trail = 0xA1; trail <= 0xFE; ++trail) {
            QByteArray code;
            code.append(char(lead)).append(char(trail));
            const QByteArray initials = pinyinInitials(code);
            ASSERT_EQ(initials.size(), 1);
            const QString character = fromGbk(code);
            if (unlisted.contains(code)) {
                EXPECT_EQ(initials, "!") << character.toStdString();
                continue;
            }
            char first = 0;
            for (const char *letter = kLetters; *letter && !first; ++letter) {
                if (listHolds(*letter, character))
                    first = *letter;
            }
            EXPECT_NE(first, 0) << character.toStdString() << " is in no list";
            EXPECT_EQ(initials, QByteArray(1, first)) << character.toStdString();
        }
    }
}

} // namespace
