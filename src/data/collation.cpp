#include "data/collation.h"

#include <QCollator>
#include <QHash>
#include <QLocale>
#include <algorithm>
#include <numeric>
#include <sqlite3.h>

namespace collation {
namespace {

// A collator prepares itself on first use and is not meant to be shared between threads: each
// thread that sorts gets its own.
const QCollator &pinyinCollator()
{
    thread_local const QCollator collator(QLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China));
    return collator;
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

} // namespace

int compare(QStringView a, QStringView b)
{
    const int c = pinyinCollator().compare(a, b);
    if (c != 0)
        return c < 0 ? -1 : 1;
    return tieBreak(a, b);
}

std::vector<int> ranks(const QStringList &texts)
{
    // A column of categories or suppliers holds a handful of distinct texts over many rows:
    // each distinct text gets its sort key once.
    QHash<QString, int> distinctIndex;
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
    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(distinct.size()));
    for (const QString &text : distinct)
        keys.push_back(pinyinCollator().sortKey(text));
    std::vector<int> order(size_t(distinct.size()));
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int x, int y) {
        const int c = keys[size_t(x)].compare(keys[size_t(y)]);
        return c != 0 ? c < 0 : tieBreak(distinct.at(x), distinct.at(y)) < 0;
    });
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
