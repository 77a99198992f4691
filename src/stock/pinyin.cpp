#include "pinyin.h"

#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>
#include <vector>

namespace {

#include "pinyin_table.inc"

constexpr char kNoInitial = '!';

// A character GBK cannot encode stands in the byte string as this two-byte unit: the
// ideographic space, which has no initial, so the character counts as one unit like
// any full-width sign.
constexpr char kUnencodableUnit[] = "\xA1\xA1";

struct Range
{
    unsigned short from;
    unsigned short to;
    char letter;
};

// GB2312 level-1 characters run in pinyin order; each initial owns one block of codes.
constexpr Range kRanges[] = {
    {0xB0A1, 0xB0C4, 'a'}, {0xB0C5, 0xB2C0, 'b'}, {0xB2C1, 0xB4ED, 'c'},
    {0xB4EE, 0xB6E9, 'd'}, {0xB6EA, 0xB7A1, 'e'}, {0xB7A2, 0xB8C0, 'f'},
    {0xB8C1, 0xB9FD, 'g'}, {0xB9FE, 0xBBF6, 'h'}, {0xBBF7, 0xBFA5, 'j'},
    {0xBFA6, 0xC0AB, 'k'}, {0xC0AC, 0xC2E7, 'l'}, {0xC2E8, 0xC4C2, 'm'},
    {0xC4C3, 0xC5B5, 'n'}, {0xC5B6, 0xC5BD, 'o'}, {0xC5BE, 0xC6D9, 'p'},
    {0xC6DA, 0xC8BA, 'q'}, {0xC8BB, 0xC8F5, 'r'}, {0xC8F6, 0xCBF9, 's'},
    {0xCBFA, 0xCDD9, 't'}, {0xCDDA, 0xCEF3, 'w'}, {0xCEF4, 0xD1B8, 'x'},
    {0xD1B9, 0xD4D0, 'y'}, {0xD4D1, 0xD7F9, 'z'},
};

// Single bytes copied to the initials unchanged: digits, letters and 22 signs.
constexpr std::array<bool, 256> makeKeptSet()
{
    std::array<bool, 256> kept{};
    for (int c = '0'; c <= '9'; ++c)
        kept[c] = true;
    for (int c = 'a'; c <= 'z'; ++c)
        kept[c] = true;
    for (int c = 'A'; c <= 'Z'; ++c)
        kept[c] = true;
    for (const char *sign = "!.#$%()*+-,/[\\|^~`@{}_"; *sign; ++sign)
        kept[static_cast<unsigned char>(*sign)] = true;
    return kept;
}
constexpr std::array<bool, 256> kKept = makeKeptSet();

using ListEntry = std::pair<unsigned short, char>; // code, initial

// Every listed character with the letter of the first list that holds it, by code.
const std::vector<ListEntry> &listIndex()
{
    static const std::vector<ListEntry> index = [] {
        std::vector<ListEntry> entries;
        for (const PinyinList &list : kPinyinLists) {
            // Entries are three bytes: lead, trail, blank.
            for (const char *p = list.gbk; p[0] && p[1]; p += 3) {
                const auto code = static_cast<unsigned short>(
                    static_cast<unsigned char>(p[0]) * 256 + static_cast<unsigned char>(p[1]));
                entries.emplace_back(code, list.letter);
            }
        }
        // A stable sort keeps the lists' letter order among equal codes, so the first
        // list wins when duplicates are dropped.
        std::stable_sort(entries.begin(), entries.end(),
                         [](const ListEntry &a, const ListEntry &b) { return a.first < b.first; });
        entries.erase(std::unique(entries.begin(), entries.end(),
                                  [](const ListEntry &a, const ListEntry &b) {
                                      return a.first == b.first;
                                  }),
                      entries.end());
        return entries;
    }();
    return index;
}

std::optional<char> initialFromLists(unsigned char lead, unsigned char trail)
{
    const auto code = static_cast<unsigned short>(lead * 256 + trail);
    const auto &index = listIndex();
    const auto it = std::lower_bound(index.begin(), index.end(), code,
                                     [](const ListEntry &e, unsigned short c) { return e.first < c; });
    if (it != index.end() && it->first == code)
        return it->second;
    return std::nullopt;
}

char initialOfUnit(unsigned char lead, unsigned char trail)
{
    if (const auto letter = initialOfChar(lead, trail))
        return *letter;
    if (const auto letter = initialFromLists(lead, trail))
        return *letter;
    return kNoInitial;
}

// GBK bytes of the text; a character GBK has no code for becomes kUnencodableUnit.
QByteArray toGbk(const QString &text)
{
    QStringEncoder whole("GBK");
    Q_ASSERT_X(whole.isValid(), "pinyinInitials", "no GBK encoder");
    QByteArray gbk = whole.encode(text);
    if (!whole.hasError())
        return gbk;

    // The encoder only says that something failed, and keeps saying so after a reset,
    // so the characters are encoded one by one with fresh encoders.
    gbk.clear();
    const QStringView view(text);
    for (qsizetype i = 0; i < view.size();) {
        const qsizetype length =
            (view[i].isHighSurrogate() && i + 1 < view.size() && view[i + 1].isLowSurrogate()) ? 2
                                                                                                 : 1;
        QStringEncoder single("GBK");
        const QByteArray bytes = single.encode(view.mid(i, length));
        if (single.hasError() || bytes.isEmpty())
            gbk += kUnencodableUnit;
        else
            gbk += bytes;
        i += length;
    }
    return gbk;
}

} // namespace

std::optional<char> initialOfChar(unsigned char lead, unsigned char trail)
{
    const unsigned code = lead * 256u + trail;
    for (const Range &range : kRanges) {
        if (code < range.from)
            break;
        if (code <= range.to)
            return range.letter;
    }
    return std::nullopt;
}

QByteArray pinyinInitials(const QByteArray &gbk)
{
    QByteArray initials;
    initials.reserve(gbk.size());
    const qsizetype size = gbk.size();
    for (qsizetype i = 0; i < size;) {
        const auto byte = static_cast<unsigned char>(gbk[i]);
        if (kKept[byte]) {
            initials += static_cast<char>(byte);
            ++i;
            continue;
        }
        // Not a kept byte: it and the next byte form one unit, whatever that byte is.
        const auto next = i + 1 < size ? static_cast<unsigned char>(gbk[i + 1]) : 0;
        initials += initialOfUnit(byte, next);
        i += 2;
    }
    return initials;
}

QByteArray pinyinInitials(const QString &text)
{
    return pinyinInitials(toGbk(text));
}

QByteArray pinyinList(char letter)
{
    for (const PinyinList &list : kPinyinLists) {
        if (list.letter == letter)
            return QByteArray::fromRawData(list.gbk, qsizetype(std::strlen(list.gbk)));
    }
    return {};
}
