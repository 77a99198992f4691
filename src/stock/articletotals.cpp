#include "stock/articletotals.h"

#include "data/database.h"
#include "data/dataset.h"
#include "data/resultrow.h"
#include "data/statement.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

namespace articletotals {
namespace {

constexpr int kTexts = 4;   // a, b, c, d
constexpr int kFigures = 6; // [2], [3], [5], [6], [7], [8]

// A figure of a stock row as sum() takes it: a whole number, a real number (a text: the number
// the engine reads from it) or none.
struct Figure {
    ResultRow::Type type = ResultRow::Type::Null;
    union {
        long long whole = 0;
        double real;
    };

    static Figure of(const ResultRow &row, int column)
    {
        Figure f;
        f.type = row.type(column);
        if (f.type == ResultRow::Type::Integer)
            f.whole = row.integer(column);
        else if (f.type != ResultRow::Type::Null)
            f.real = row.real(column);
        return f;
    }
};

// A running sum() of one column of an article: every value also added as a real number; while
// every value is a whole number (and their sum fits), the whole sum too.
struct Sum {
    long long count = 0;
    bool approximate = false;
    long long whole = 0;
    double real = 0;

    void add(const Figure &f)
    {
        switch (f.type) {
        case ResultRow::Type::Null:
            return;
        case ResultRow::Type::Integer:
            real += double(f.whole);
            if (!approximate && __builtin_add_overflow(whole, f.whole, &whole))
                approximate = true;
            break;
        default:
            real += f.real;
            approximate = true;
        }
        ++count;
    }
};

// The stock rows as read: the texts of each row in one buffer, its figures beside them.
struct StoredRows {
    std::string text;
    std::vector<std::array<std::uint32_t, kTexts + 1>> bounds; // per row: where each text starts, and the end
    std::vector<std::array<Figure, kFigures>> figures;
    // Per row the first 8 bytes of its name, big-endian, zeros after a shorter name: comparing
    // them orders most rows without visiting the texts.
    std::vector<std::uint64_t> namePrefix;

    std::string_view textOf(size_t row, int which) const
    {
        const auto &b = bounds[row];
        return std::string_view(text).substr(b[size_t(which)], b[size_t(which) + 1] - b[size_t(which)]);
    }
    bool sameArticle(size_t left, size_t right) const
    {
        for (int t = 0; t < kTexts; ++t) {
            if (textOf(left, t) != textOf(right, t))
                return false;
        }
        return true;
    }
    // Byte order of the texts, name first: std::string_view compares bytes as unsigned.
    bool before(size_t left, size_t right) const
    {
        if (namePrefix[left] != namePrefix[right])
            return namePrefix[left] < namePrefix[right];
        for (int t = 0; t < kTexts; ++t) {
            if (const int c = textOf(left, t).compare(textOf(right, t)); c != 0)
                return c < 0;
        }
        return false;
    }
};

// One line of the result as a row of a query, for the dataset to load.
class LineRow : public ResultRow {
public:
    std::array<std::string_view, kTexts> texts;
    std::array<Sum, kFigures> sums;

    int columnCount() const override { return kTexts + kFigures; }
    Type type(int column) const override
    {
        if (column < kTexts)
            return Type::Text;
        const Sum &s = sums[size_t(column - kTexts)];
        return s.count == 0 ? Type::Null : s.approximate ? Type::Real : Type::Integer;
    }
    long long integer(int column) const override { return column < kTexts ? 0 : sums[size_t(column - kTexts)].whole; }
    double real(int column) const override { return column < kTexts ? 0 : sums[size_t(column - kTexts)].real; }
    std::string_view utf8(int column) const override
    {
        return column < kTexts ? texts[size_t(column)] : std::string_view();
    }
};

StoredRows readRows(Database &db)
{
    StoredRows rows;
    // In the order of the keys, so the values of an article are added in the order stored.
    db.query(Statement(QStringLiteral("SELECT a, b, c, d, [2], [3], [5], [6], [7], [8] FROM data ORDER BY ID")),
             [&](const ResultRow &row) {
                 auto &b = rows.bounds.emplace_back();
                 for (int t = 0; t < kTexts; ++t) {
                     b[size_t(t)] = std::uint32_t(rows.text.size());
                     if (!row.isNull(t))
                         rows.text.append(row.utf8(t));
                 }
                 b[kTexts] = std::uint32_t(rows.text.size());
                 std::uint64_t prefix = 0;
                 const std::string_view name = rows.textOf(rows.bounds.size() - 1, 0);
                 for (size_t i = 0; i < 8; ++i)
                     prefix = prefix << 8 | (i < name.size() ? std::uint8_t(name[i]) : 0);
                 rows.namePrefix.push_back(prefix);
                 auto &f = rows.figures.emplace_back();
                 for (int i = 0; i < kFigures; ++i)
                     f[size_t(i)] = Figure::of(row, kTexts + i);
             });
    return rows;
}

} // namespace

Statement statement()
{
    // A missing text and an empty one name the same article: the stock-in panel and the Excel
    // import store an empty field differently, and both rows belong on one line.
    return Statement(QStringLiteral(
        "select ifnull(a,'') AS a,ifnull(b,'') AS b,ifnull(c,'') AS c,ifnull(d,'') AS d, "
        "sum([2]) AS 进货数量,sum([3]) AS 进货金额,sum([5]) AS 销售数量,sum([6]) AS 销售金额, "
        "sum([7]) AS 库存数量,sum([8]) AS 库存金额 FROM data "
        "GROUP BY ifnull(a,''),ifnull(b,''),ifnull(c,''),ifnull(d,'') "
        "ORDER BY ifnull(a,''),ifnull(b,''),ifnull(c,''),ifnull(d,'')"));
}

QStringList columns()
{
    return {QStringLiteral("a"),        QStringLiteral("b"),        QStringLiteral("c"),        QStringLiteral("d"),
            QStringLiteral("进货数量"), QStringLiteral("进货金额"), QStringLiteral("销售数量"), QStringLiteral("销售金额"),
            QStringLiteral("库存数量"), QStringLiteral("库存金额")};
}

void load(Dataset &lines)
{
    const StoredRows rows = readRows(lines.database());
    // The rows of an article next to each other, in the order read among themselves.
    std::vector<size_t> order(rows.bounds.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&rows](size_t l, size_t r) { return rows.before(l, r); });

    lines.open(statement(), Dataset::MadeRows{columns(), [&](const std::function<void(const ResultRow &)> &take) {
                                                  LineRow line;
                                                  for (size_t i = 0; i < order.size();) {
                                                      const size_t first = order[i];
                                                      for (int t = 0; t < kTexts; ++t)
                                                          line.texts[size_t(t)] = rows.textOf(first, t);
                                                      line.sums = {};
                                                      for (; i < order.size() && rows.sameArticle(first, order[i]); ++i) {
                                                          for (int s = 0; s < kFigures; ++s)
                                                              line.sums[size_t(s)].add(rows.figures[order[i]][size_t(s)]);
                                                      }
                                                      take(line);
                                                  }
                                              }});
}

} // namespace articletotals
