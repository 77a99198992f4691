#include "data/collation.h"

#include <QHash>
#include <algorithm>
#include <cstring>
#include <memory>
#include <sqlite3.h>
#include <thread>
#include <unicode/ucol.h>
#include <unicode/unorm2.h>
#include <unicode/uset.h>

namespace collation {
namespace {

// Lists at least this long are ranked (or have their sort keys made) by two threads.
constexpr qsizetype kSharedFrom = 20000;

// ICU's collation for Chinese as spoken in China, set up as Qt's QCollator sets up its own
// (normalization on, the locale's default strength, digits one by one, punctuation counted), so
// the order is the one QCollator gives. It is used directly because a sort asks it for one sort
// key per text, and QCollator wraps each key in an allocation of its own.
UCollator *openPinyinCollator()
{
    UErrorCode status = U_ZERO_ERROR;
    UCollator *collator = ucol_open("zh_CN", &status);
    if (U_FAILURE(status))
        return nullptr;
    ucol_setAttribute(collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    status = U_ZERO_ERROR;
    ucol_setAttribute(collator, UCOL_STRENGTH, UCOL_DEFAULT_STRENGTH, &status);
    status = U_ZERO_ERROR;
    ucol_setAttribute(collator, UCOL_NUMERIC_COLLATION, UCOL_OFF, &status);
    status = U_ZERO_ERROR;
    ucol_setAttribute(collator, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    return collator;
}

// A collator prepares itself on first use and must not be used by two threads at once: each
// thread that sorts gets its own.
UCollator *pinyinCollator()
{
    thread_local const std::unique_ptr<UCollator, void (*)(UCollator *)> collator(openPinyinCollator(), &ucol_close);
    return collator.get();
}

const UChar *units(QStringView text)
{
    return reinterpret_cast<const UChar *>(text.utf16());
}

int tieBreak(QStringView a, QStringView b)
{
    const int c = a.compare(b, Qt::CaseSensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int compareUtf16(void *, int sizeA, const void *a, int sizeB, const void *b)
{
    return compare(QStringView(static_cast<const QChar *>(a), sizeA / 2),
                   QStringView(static_cast<const QChar *>(b), sizeB / 2));
}

// The sort keys of many texts, kept in one buffer, and their order. Each key's first eight bytes
// are also kept as a number that compares as those bytes do, beside the text's index, so sorting
// compares numbers held in place and reads a whole key only for texts whose first bytes agree.
class SortKeys {
public:
    explicit SortKeys(const QStringList &texts)
    {
        // Making a key is most of the cost; a long list is shared with a second thread, which
        // makes the keys of its second half with a collator of its own.
        const qsizetype half = texts.size() >= kSharedFrom ? texts.size() / 2 : texts.size();
        Part second;
        std::thread helper;
        if (half < texts.size())
            helper = std::thread([&] { second = Part(texts, half, texts.size()); });
        Part first(texts, 0, half);
        if (helper.joinable())
            helper.join();
        m_heads = std::move(first.heads);
        m_keys = std::move(first.keys);
        m_bytes = std::move(first.bytes);
        const size_t shift = m_bytes.size();
        m_heads.insert(m_heads.end(), second.heads.begin(), second.heads.end());
        for (Key k : second.keys) {
            k.at += shift;
            m_keys.push_back(k);
        }
        m_bytes.insert(m_bytes.end(), second.bytes.begin(), second.bytes.end());
    }

    // The indexes of the texts in the order of their keys, texts with equal keys by code unit.
    std::vector<int> order(const QStringList &texts)
    {
        std::sort(m_heads.begin(), m_heads.end(), [&](const Head &a, const Head &b) {
            if (a.prefix != b.prefix)
                return a.prefix < b.prefix;
            const int c = compareKeys(size_t(a.index), size_t(b.index));
            return c != 0 ? c < 0 : tieBreak(texts.at(a.index), texts.at(b.index)) < 0;
        });
        std::vector<int> indexes;
        indexes.reserve(m_heads.size());
        for (const Head &h : m_heads)
            indexes.push_back(h.index);
        return indexes;
    }

private:
    int compareKeys(size_t x, size_t y) const
    {
        const Key &a = m_keys[x], &b = m_keys[y];
        const size_t common = std::min(a.size, b.size);
        const int c = common > 8 ? std::memcmp(&m_bytes[a.at + 8], &m_bytes[b.at + 8], common - 8) : 0;
        if (c != 0)
            return c;
        return a.size < b.size ? -1 : (a.size > b.size ? 1 : 0);
    }

    struct Head {
        uint64_t prefix;
        int index;
    };
    struct Key {
        size_t at;
        size_t size;
    };
    // The keys of the texts [from, to), made on the calling thread.
    struct Part {
        Part() = default;
        Part(const QStringList &texts, qsizetype from, qsizetype to)
        {
            heads.reserve(size_t(to - from));
            keys.reserve(size_t(to - from));
            std::vector<uint8_t> key(64);
            UCollator *collator = pinyinCollator();
            for (qsizetype i = from; i < to; ++i) {
                const QString &text = texts.at(i);
                int32_t size = 0;
                if (collator) {
                    size = ucol_getSortKey(collator, units(text), int32_t(text.size()), key.data(), int32_t(key.size()));
                    if (size > int32_t(key.size())) {
                        key.resize(size_t(size));
                        size = ucol_getSortKey(collator, units(text), int32_t(text.size()), key.data(),
                                               int32_t(key.size()));
                    }
                }
                uint64_t prefix = 0;
                for (int b = 0; b < 8; ++b)
                    prefix = (prefix << 8) | (b < size ? key[size_t(b)] : 0);
                heads.push_back({prefix, int(i)});
                keys.push_back({bytes.size(), size_t(size)});
                bytes.insert(bytes.end(), key.begin(), key.begin() + size);
            }
        }
        std::vector<Head> heads;
        std::vector<Key> keys;
        std::vector<uint8_t> bytes;
    };

    std::vector<Head> m_heads;
    std::vector<Key> m_keys;
    std::vector<uint8_t> m_bytes;
};

// The place in the order of each character of the basic plane whose place ICU decides by the
// character alone: it stands for one collation element with a weight on the first level, and is
// neither part of a contraction (characters compared as one) nor of an expansion, nor changed by
// normalization. A text of such characters compares on the first level as the sequence of its
// characters' ranks compares, which costs a look-up per character instead of a sort key per text.
// Characters sharing a first-level weight (a, A, ā) share a rank; what tells them apart is left to
// ICU. 0 marks a character that is not in the table.
class PrimaryRanks {
public:
    static const PrimaryRanks &instance()
    {
        // Never destroyed: prepare() may still be making it on its thread as the program ends.
        static const PrimaryRanks *ranks = new PrimaryRanks;
        return *ranks;
    }
    bool usable() const { return !m_rank.empty(); }
    uint16_t of(char16_t c) const { return m_rank[c]; }
    // Whether ICU compares the characters from `at` on together with the next ones, which their
    // ranks alone cannot tell.
    bool together(QStringView text, qsizetype at) const
    {
        if (!m_startsTogether[text[at].unicode()])
            return false;
        const QStringView rest = text.mid(at);
        return std::any_of(m_together.begin(), m_together.end(), [&](const std::u16string &t) {
            return rest.startsWith(QStringView(t.data(), qsizetype(t.size())));
        });
    }

private:
    PrimaryRanks()
    {
        UErrorCode status = U_ZERO_ERROR;
        const std::unique_ptr<UCollator, void (*)(UCollator *)> collator(openPinyinCollator(), &ucol_close);
        const UNormalizer2 *nfd = unorm2_getNFDInstance(&status);
        if (!collator || U_FAILURE(status))
            return;
        ucol_setStrength(collator.get(), UCOL_PRIMARY);
        // The characters ICU does not weigh one by one.
        const std::unique_ptr<USet, void (*)(USet *)> contractions(uset_openEmpty(), &uset_close);
        const std::unique_ptr<USet, void (*)(USet *)> expansions(uset_openEmpty(), &uset_close);
        ucol_getContractionsAndExpansions(collator.get(), contractions.get(), expansions.get(), true, &status);
        if (U_FAILURE(status))
            return;
        // Single characters ICU weighs as several collation elements, and the texts it compares
        // as one (contractions and the expansions of several characters).
        std::vector<bool> candidate(0x10000, false);
        std::vector<std::u16string> together;
        for (USet *set : {contractions.get(), expansions.get()}) {
            const int32_t items = uset_getItemCount(set);
            std::vector<UChar> text(64);
            for (int32_t i = 0; i < items; ++i) {
                UChar32 from = 0, to = 0;
                status = U_ZERO_ERROR;
                const int32_t length = uset_getItem(set, i, &from, &to, text.data(), int32_t(text.size()), &status);
                if (U_FAILURE(status))
                    return;
                if (length > 0)
                    together.emplace_back(reinterpret_cast<const char16_t *>(text.data()), size_t(length));
            }
        }
        // Each character's first-level weight, as the bytes of its sort key.
        struct Weighed {
            char16_t c;
            uint32_t at;
            uint32_t size;
        };
        std::vector<Weighed> weighed;
        std::vector<uint8_t> bytes;
        uint8_t key[32];
        for (uint32_t c = 1; c < 0x10000; ++c) {
            // Surrogates; and noncharacters, which ICU's own tables use as markers.
            if ((c >= 0xD800 && c <= 0xDFFF) || (c >= 0xFDD0 && c <= 0xFDEF) || c >= 0xFFFE ||
                uset_contains(expansions.get(), UChar32(c)) ||
                !unorm2_isInert(nfd, UChar32(c)))
                continue;
            const UChar unit = UChar(c);
            const int32_t size = ucol_getSortKey(collator.get(), &unit, 1, key, int32_t(sizeof key));
            // The key ends with a zero byte; nothing before it means ICU ignores the character.
            if (size <= 1 || size > int32_t(sizeof key))
                continue;
            candidate[c] = true;
            weighed.push_back({char16_t(c), uint32_t(bytes.size()), uint32_t(size - 1)});
            bytes.insert(bytes.end(), key, key + size - 1);
        }
        // A contraction whose characters are all in the table (沈阳, 重庆: a place name read
        // otherwise than its characters) is looked for in each text; one that needs a character
        // outside it (the Latin vowels followed by a combining tone mark) never occurs there.
        for (const std::u16string &text : together) {
            if (std::all_of(text.begin(), text.end(), [&](char16_t c) { return candidate[c]; }))
                m_together.push_back(text);
        }
        auto compareWeights = [&](const Weighed &a, const Weighed &b) {
            const int c = std::memcmp(&bytes[a.at], &bytes[b.at], std::min(a.size, b.size));
            return c != 0 ? c : int(a.size) - int(b.size);
        };
        std::sort(weighed.begin(), weighed.end(),
                  [&](const Weighed &a, const Weighed &b) { return compareWeights(a, b) < 0; });
        std::vector<uint16_t> rank(0x10000, 0);
        uint16_t next = 0;
        for (size_t i = 0; i < weighed.size(); ++i) {
            if (i == 0 || compareWeights(weighed[i - 1], weighed[i]) != 0)
                ++next;
            rank[weighed[i].c] = next;
        }
        m_rank = std::move(rank);
        m_startsTogether.assign(0x10000, false);
        for (const std::u16string &text : m_together)
            m_startsTogether[text.front()] = true;
    }

    std::vector<uint16_t> m_rank;
    // The contractions of table characters, and the characters they begin with.
    std::vector<std::u16string> m_together;
    std::vector<bool> m_startsTogether;
};

// The UTF-16 units of a text of the basic plane in well-formed UTF-8; false for anything else
// (a character beyond the plane, or bytes that are no UTF-8), which is then left to ICU.
bool basicPlaneUnits(std::string_view utf8, std::u16string &units)
{
    units.clear();
    const auto *b = reinterpret_cast<const unsigned char *>(utf8.data());
    const size_t n = utf8.size();
    auto follows = [&](size_t i, unsigned char low = 0x80, unsigned char high = 0xBF) {
        return i < n && b[i] >= low && b[i] <= high;
    };
    for (size_t i = 0; i < n;) {
        const unsigned char c = b[i];
        if (c < 0x80) {
            units.push_back(c);
            i += 1;
        } else if (c >= 0xC2 && c <= 0xDF && follows(i + 1)) {
            units.push_back(char16_t(((c & 0x1F) << 6) | (b[i + 1] & 0x3F)));
            i += 2;
        } else if (c >= 0xE0 && c <= 0xEF &&
                   follows(i + 1, c == 0xE0 ? 0xA0 : 0x80, c == 0xED ? 0x9F : 0xBF) && follows(i + 2)) {
            units.push_back(char16_t(((c & 0x0F) << 12) | ((b[i + 1] & 0x3F) << 6) | (b[i + 2] & 0x3F)));
            i += 3;
        } else {
            return false;
        }
    }
    return true;
}

// The texts' ranks through one ICU sort key per distinct text: the way when the table of
// characters could not be made.
std::vector<int> ranksBySortKeys(const QStringList &texts)
{
    // A column of categories or suppliers holds a handful of distinct texts over many rows:
    // each distinct text gets its sort key once.
    QHash<QString, int> distinctIndex;
    distinctIndex.reserve(texts.size());
    QStringList distinct;
    std::vector<int> result(size_t(texts.size()));
    for (qsizetype i = 0; i < texts.size(); ++i) {
        auto at = distinctIndex.constFind(texts.at(i));
        if (at == distinctIndex.constEnd()) {
            at = distinctIndex.insert(texts.at(i), int(distinct.size()));
            distinct << texts.at(i);
        }
        result[size_t(i)] = *at;
    }
    const std::vector<int> order = SortKeys(distinct).order(distinct);
    std::vector<int> rankOf(order.size());
    for (size_t r = 0; r < order.size(); ++r)
        rankOf[size_t(order[r])] = int(r);
    for (int &r : result)
        r = rankOf[size_t(r)];
    return result;
}

} // namespace

int compare(QStringView a, QStringView b)
{
    UCollator *collator = pinyinCollator();
    // An empty text comes first, also before a text of characters the collator ignores.
    int c = a.isEmpty() || b.isEmpty() || !collator
                ? 0
                : int(ucol_strcoll(collator, units(a), int32_t(a.size()), units(b), int32_t(b.size())));
    if (c != 0)
        return c < 0 ? -1 : 1;
    return tieBreak(a, b);
}

namespace {

// Texts in UTF-8, as a loaded result keeps them.
struct Utf8Texts {
    const std::vector<std::string_view> &texts;
    size_t size() const { return texts.size(); }
    bool units(size_t i, std::u16string &out) const { return basicPlaneUnits(texts[i], out); }
    bool same(size_t a, size_t b) const { return texts[a] == texts[b]; }
    QString text(size_t i) const { return QString::fromUtf8(texts[i].data(), qsizetype(texts[i].size())); }
};

struct Utf16Texts {
    const QStringList &texts;
    size_t size() const { return size_t(texts.size()); }
    bool units(size_t i, std::u16string &out) const
    {
        const QString &t = texts.at(qsizetype(i));
        out.assign(reinterpret_cast<const char16_t *>(t.utf16()), size_t(t.size()));
        return true; // a surrogate is in no table: such a text is left to ICU
    }
    bool same(size_t a, size_t b) const { return texts.at(qsizetype(a)) == texts.at(qsizetype(b)); }
    const QString &text(size_t i) const { return texts.at(qsizetype(i)); }
};

template <class Texts>
std::vector<int> ranksOf(const Texts &texts)
{
    const PrimaryRanks &table = PrimaryRanks::instance();
    if (!table.usable()) {
        QStringList copies;
        copies.reserve(qsizetype(texts.size()));
        for (size_t i = 0; i < texts.size(); ++i)
            copies << texts.text(i);
        return ranksBySortKeys(copies);
    }
    // Each text as the ranks of its characters, when the table decides them all; the first four
    // are also kept as one number, so most comparisons are of numbers held in place.
    struct Entry {
        uint64_t head;
        uint32_t at;   // where its ranks start in `pool`
        uint32_t size; // how many; kUndecided when the table does not decide the text's place
        int index;
    };
    constexpr uint32_t kUndecided = UINT32_MAX;
    // The entries of the texts [from, to) and the ranks they point into, sorted.
    struct Part {
        std::vector<Entry> entries;
        std::vector<uint16_t> pool;
    };
    // Texts whose characters all have a rank compare by those ranks (what ICU's first level
    // compares); equal ranks, or a text the table does not decide, are left to compare(), which
    // also gives the order of texts differing only in case or accents. Identical texts are equal
    // at once.
    auto orderBy = [&](const std::vector<uint16_t> &pool) {
        return [&texts, &pool](const Entry &a, const Entry &b) {
            if (a.size != kUndecided && b.size != kUndecided) {
                if (a.head != b.head)
                    return a.head < b.head;
                const uint32_t common = std::min(a.size, b.size);
                for (uint32_t k = 4; k < common; ++k) {
                    if (pool[a.at + k] != pool[b.at + k])
                        return pool[a.at + k] < pool[b.at + k];
                }
                if (a.size != b.size)
                    return a.size < b.size;
            }
            return !texts.same(size_t(a.index), size_t(b.index)) &&
                   compare(texts.text(size_t(a.index)), texts.text(size_t(b.index))) < 0;
        };
    };
    auto sortedPart = [&](size_t from, size_t to, Part &part) {
        part.entries.reserve(to - from);
        part.pool.reserve((to - from) * 6);
        std::vector<uint16_t> &pool = part.pool;
        std::u16string units;
        for (size_t i = from; i < to; ++i) {
            const size_t at = pool.size();
            bool decided = texts.units(i, units);
            const QStringView unitsView(units.data(), qsizetype(units.size()));
            for (qsizetype k = 0; decided && k < unitsView.size(); ++k) {
                const uint16_t r = table.of(unitsView[k].unicode());
                if (r == 0 || table.together(unitsView, k)) {
                    decided = false;
                    break;
                }
                pool.push_back(r);
            }
            if (!decided) {
                pool.resize(at);
                part.entries.push_back({0, 0, kUndecided, int(i)});
                continue;
            }
            uint64_t head = 0;
            for (size_t k = 0; k < 4; ++k)
                head = (head << 16) | (at + k < pool.size() ? pool[at + k] : 0);
            part.entries.push_back({head, uint32_t(at), uint32_t(pool.size() - at), int(i)});
        }
        std::sort(part.entries.begin(), part.entries.end(), orderBy(part.pool));
    };
    // A long column is shared with a second thread, which ranks and sorts its second half; the
    // two halves are then merged.
    const size_t half = texts.size() >= size_t(kSharedFrom) ? texts.size() / 2 : texts.size();
    Part first, second;
    std::thread helper;
    if (half < texts.size())
        helper = std::thread([&] { sortedPart(half, texts.size(), second); });
    sortedPart(0, half, first);
    if (helper.joinable())
        helper.join();
    const uint32_t shift = uint32_t(first.pool.size());
    for (Entry &e : second.entries) {
        if (e.size != kUndecided)
            e.at += shift;
    }
    first.pool.insert(first.pool.end(), second.pool.begin(), second.pool.end());
    const auto middle = first.entries.insert(first.entries.end(), second.entries.begin(), second.entries.end());
    std::inplace_merge(first.entries.begin(), middle, first.entries.end(), orderBy(first.pool));
    const std::vector<Entry> &entries = first.entries;
    std::vector<int> result(texts.size());
    int rank = -1;
    for (size_t k = 0; k < entries.size(); ++k) {
        if (k == 0 || !texts.same(size_t(entries[k].index), size_t(entries[k - 1].index)))
            ++rank;
        result[size_t(entries[k].index)] = rank;
    }
    return result;
}

} // namespace

std::vector<int> ranks(const std::vector<std::string_view> &texts)
{
    return ranksOf(Utf8Texts{texts});
}

std::vector<int> ranks(const QStringList &texts)
{
    return ranksOf(Utf16Texts{texts});
}

void prepare()
{
    std::thread([] { PrimaryRanks::instance(); }).detach();
}

bool install(sqlite3 *db)
{
    return sqlite3_create_collation_v2(db, kName, SQLITE_UTF16_ALIGNED, nullptr, &compareUtf16, nullptr) == SQLITE_OK;
}

} // namespace collation
