#include "data/collation.h"

#include <QHash>
#include <algorithm>
#include <cstring>
#include <memory>
#include <sqlite3.h>
#include <thread>
#include <unicode/ucol.h>

namespace collation {
namespace {

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
    // Lists at least this long have their keys made by two threads.
    static constexpr qsizetype kSharedFrom = 20000;

    std::vector<Head> m_heads;
    std::vector<Key> m_keys;
    std::vector<uint8_t> m_bytes;
};

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

std::vector<int> ranks(const QStringList &texts)
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

bool install(sqlite3 *db)
{
    return sqlite3_create_collation_v2(db, kName, SQLITE_UTF16_ALIGNED, nullptr, &compareUtf16, nullptr) == SQLITE_OK;
}

} // namespace collation
