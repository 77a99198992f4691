#include "stock/stocksearchindex.h"

#include "common/errors.h"
#include "common/numbertext.h"
#include "data/database.h"
#include "data/dataset.h"
#include "data/resultrow.h"

#include <QVariantList>
#include <algorithm>
#include <limits>

namespace {

// The most base conditions one row's bits hold.
constexpr int kMostConditions = 8;
// Keys read again by one statement.
constexpr size_t kKeysPerRead = 500;

// Latin capitals become small letters; every other byte of the UTF-8 text stays, so a substring of
// the folded texts is a substring of the texts as SQLite's `like` compares them.
void foldInto(std::string &to, std::string_view text)
{
    for (const char ch : text)
        to.push_back(ch >= 'A' && ch <= 'Z' ? char(ch - 'A' + 'a') : ch);
}

// The text `like` compares: a null is no text, and a text ends at its first NUL.
std::string_view searchedText(const ResultRow &row, int column, QByteArray &converted)
{
    std::string_view text;
    switch (row.type(column)) {
    case ResultRow::Type::Null:
        return {};
    case ResultRow::Type::Text:
        text = row.utf8(column);
        break;
    default:
        converted = row.text(column).toUtf8();
        text = std::string_view(converted.constData(), size_t(converted.size()));
        break;
    }
    return text.substr(0, text.find('\0'));
}

} // namespace

void StockSearchIndex::Texts::append(std::string_view text)
{
    foldInto(bytes, text);
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max())
        throw DbError(QStringLiteral("商品资料太多，无法在内存中查询"));
    ends.push_back(std::uint32_t(bytes.size()));
}

void StockSearchIndex::Rows::appendFrom(const Rows &from, size_t row, int summed)
{
    keys.push_back(from.keys[row]);
    meets.push_back(from.meets[row]);
    units.insert(units.end(), from.units.begin() + std::ptrdiff_t(row * size_t(summed)),
                 from.units.begin() + std::ptrdiff_t((row + 1) * size_t(summed)));
    for (int t = 0; t < kSearched; ++t) {
        texts[t].bytes.append(from.texts[t].of(row));
        texts[t].ends.push_back(std::uint32_t(texts[t].bytes.size()));
    }
}

StockSearchIndex::StockSearchIndex(Database &db, QStringList baseConditions, QStringList summedColumns)
    : m_db(db), m_baseConditions(std::move(baseConditions)), m_summed(std::move(summedColumns))
{
    if (m_baseConditions.size() > kMostConditions)
        m_baseConditions = m_baseConditions.mid(0, kMostConditions);
}

std::optional<StockSearchIndex::Found> StockSearchIndex::find(const QString &baseCondition,
                                                              const StockConditions &conditions)
{
    const auto typed = [](QString text) { return text.remove(QChar(u'\0')); };
    const int listing = int(m_baseConditions.indexOf(baseCondition));
    if (listing < 0 || !typed(conditions.category).isEmpty() || !typed(conditions.remark).isEmpty() ||
        !typed(conditions.supplier).isEmpty() || conditions.dateRange || m_db.inWriteGroup())
        return std::nullopt;
    // What is searched for in e, f and c, folded as the rows' texts are.
    std::string wanted[kSearched];
    const QString *searched[kSearched] = {&conditions.name, &conditions.model, &conditions.code};
    std::vector<int> columns;
    for (int t = 0; t < kSearched; ++t) {
        const QByteArray text = typed(*searched[t]).toUtf8();
        foldInto(wanted[t], std::string_view(text.constData(), size_t(text.size())));
        if (!wanted[t].empty())
            columns.push_back(t);
    }
    bringUpToDate();

    Found found;
    const size_t summed = size_t(m_summed.size());
    std::vector<long long> units(summed, 0);
    const std::uint8_t bit = std::uint8_t(1u << listing);
    for (size_t row = 0; row < m_rows.keys.size(); ++row) {
        if (!(m_rows.meets[row] & bit))
            continue;
        bool meets = true;
        for (const int t : columns) {
            if (m_rows.texts[t].of(row).find(wanted[t]) == std::string_view::npos) {
                meets = false;
                break;
            }
        }
        if (!meets)
            continue;
        found.keys.push_back(m_rows.keys[row]);
        for (size_t s = 0; s < summed; ++s)
            units[s] += m_rows.units[row * summed + s];
    }
    for (size_t s = 0; s < summed; ++s)
        found.sums.insert(m_summed.at(int(s)), units[s]);
    return found;
}

void StockSearchIndex::openListing(Dataset &stock, const QString &baseCondition, const StockConditions &conditions)
{
    const Statement statement = stockConditionsStatement(baseCondition, conditions);
    const std::optional<Found> found = find(baseCondition, conditions);
    stock.close();
    if (found)
        stock.open(statement, found->keys, found->sums);
    else
        stock.open(statement);
}

void StockSearchIndex::bringUpToDate()
{
    Database::WrittenRows written = m_db.takeWrittenStockRows();
    if (written.unknown || !m_built)
        readAll();
    else if (!written.keys.empty())
        readAgain(std::move(written.keys));
}

QString StockSearchIndex::readingSql(const QString &tail) const
{
    QStringList read{QStringLiteral("ID"), QStringLiteral("e"), QStringLiteral("f"), QStringLiteral("c")};
    for (const QString &condition : m_baseConditions) {
        QString test = condition.trimmed();
        if (test.startsWith(QLatin1String("where "), Qt::CaseInsensitive))
            test = test.mid(6);
        read << QStringLiteral("case when %1 then 1 else 0 end").arg(test);
    }
    for (const QString &column : m_summed)
        read << QLatin1Char('[') + column + QLatin1Char(']');
    return QStringLiteral("select ") + read.join(QLatin1Char(',')) + QStringLiteral(" from data ") + tail;
}

void StockSearchIndex::appendRow(Rows &rows, const ResultRow &row) const
{
    rows.keys.push_back(row.integer(0));
    QByteArray converted;
    for (int t = 0; t < kSearched; ++t)
        rows.texts[t].append(searchedText(row, 1 + t, converted));
    const int conditionsAt = 1 + kSearched;
    std::uint8_t meets = 0;
    for (int i = 0; i < m_baseConditions.size(); ++i) {
        if (row.integer(conditionsAt + i) != 0)
            meets |= std::uint8_t(1u << i);
    }
    rows.meets.push_back(meets);
    const int summedAt = conditionsAt + int(m_baseConditions.size());
    for (int s = 0; s < m_summed.size(); ++s)
        rows.units.push_back(numbertext::fixed4Units(row.number(summedAt + s)));
}

void StockSearchIndex::readAll()
{
    m_built = false;
    m_rows.clear();
    Rows rows;
    m_db.query(Statement(readingSql(QStringLiteral("order by ID"))),
               [&](const ResultRow &row) { appendRow(rows, row); });
    m_rows = std::move(rows);
    m_built = true;
}

void StockSearchIndex::readAgain(std::vector<long long> keys)
{
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    // Many rows: reading the table once costs less than finding each.
    if (keys.size() > std::max<size_t>(kKeysPerRead, m_rows.keys.size() / 8)) {
        readAll();
        return;
    }
    m_built = false;
    Rows fresh;
    for (size_t from = 0; from < keys.size(); from += kKeysPerRead) {
        const size_t to = std::min(keys.size(), from + kKeysPerRead);
        QVariantList values;
        for (size_t k = from; k < to; ++k)
            values << keys[k];
        const QStringList marks(int(to - from), QStringLiteral("?"));
        m_db.query(Statement(readingSql(QStringLiteral("where ID in (%1) order by ID").arg(marks.join(QLatin1Char(',')))),
                             values),
                   [&](const ResultRow &row) { appendRow(fresh, row); });
    }
    const size_t summed = size_t(m_summed.size());
    // Rows written in place (a sale, a correction): their figures change where they are kept.
    bool inPlace = fresh.keys.size() == keys.size();
    std::vector<size_t> at;
    for (size_t f = 0; inPlace && f < fresh.keys.size(); ++f) {
        const auto it = std::lower_bound(m_rows.keys.begin(), m_rows.keys.end(), fresh.keys[f]);
        inPlace = it != m_rows.keys.end() && *it == fresh.keys[f] && sameTexts(size_t(it - m_rows.keys.begin()), fresh, f);
        if (inPlace)
            at.push_back(size_t(it - m_rows.keys.begin()));
    }
    if (inPlace) {
        for (size_t f = 0; f < at.size(); ++f) {
            m_rows.meets[at[f]] = fresh.meets[f];
            std::copy_n(fresh.units.begin() + std::ptrdiff_t(f * summed), summed,
                        m_rows.units.begin() + std::ptrdiff_t(at[f] * summed));
        }
        m_built = true;
        return;
    }
    // Otherwise rows came, went or changed their texts: the kept rows and the fresh ones are merged
    // in key order, a written key taking the fresh row or, when it is gone, none.
    Rows merged;
    size_t f = 0;
    for (size_t row = 0; row <= m_rows.keys.size(); ++row) {
        const long long key = row < m_rows.keys.size() ? m_rows.keys[row] : std::numeric_limits<long long>::max();
        while (f < fresh.keys.size() && fresh.keys[f] <= key)
            merged.appendFrom(fresh, f++, int(summed));
        if (row < m_rows.keys.size() && !std::binary_search(keys.begin(), keys.end(), key))
            merged.appendFrom(m_rows, row, int(summed));
    }
    m_rows = std::move(merged);
    m_built = true;
}

bool StockSearchIndex::sameTexts(size_t row, const Rows &fresh, size_t at) const
{
    for (int t = 0; t < kSearched; ++t) {
        if (m_rows.texts[t].of(row) != fresh.texts[t].of(at))
            return false;
    }
    return true;
}
