#pragma once

#include "stock/stockconditions.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class Database;
class Dataset;
class ResultRow;

// The texts typed into while searching — the initials of name and model (e, f) and the code (c) —
// of every stock row, kept in memory with the row's key, whether it meets each listing's base
// condition and its figures of the summed columns. A keystroke in those fields is answered by a
// substring search over these texts instead of a `like '%…%'` that visits every row of the
// table, and the grid then reads only the rows it shows. The rows are the ones the conditions
// statement lists, in its order, with the same sums: texts match as SQLite's `like` matches them
// (Latin letters without case, everything else as it is, a text ending at a NUL).
//
// Before each search the copy is brought up to date from what the database tells of written rows
// (Database::takeWrittenStockRows): the rows this program wrote, or on a server any till, are read
// again by key; after another program's write to a file, or anything it cannot tell by key, the
// whole table is read again.
class StockSearchIndex {
public:
    // `baseConditions`: the base conditions ("where …", StockListing::baseCondition) it answers
    // for; `summedColumns`: the columns whose sums a search gives.
    StockSearchIndex(Database &db, QStringList baseConditions, QStringList summedColumns);

    struct Found {
        std::vector<long long> keys;    // in key order
        QHash<QString, long long> sums; // per summed column, in ten-thousandths
    };
    // What stockConditionsStatement(baseCondition, conditions) lists: nothing when the conditions
    // hold more than name, model and code (category, remark, supplier, the dates), when the base
    // condition is not one of its own, or while a group of writes is open (its rows may yet be
    // rolled back). Raises DbError when the rows cannot be read.
    std::optional<Found> find(const QString &baseCondition, const StockConditions &conditions);

    // Opens `stock`, a keyed result whose columns are read on demand with the summed columns
    // loaded, on what stockConditionsStatement(baseCondition, conditions) lists: from the kept copy
    // when it answers, else by running the statement.
    void openListing(Dataset &stock, const QString &baseCondition, const StockConditions &conditions);

    // How many stock rows are kept (0 before the first search).
    size_t rowCount() const { return m_rows.keys.size(); }

private:
    // One searched column of every row: folded UTF-8 texts one after another.
    struct Texts {
        std::string bytes;
        std::vector<std::uint32_t> ends; // row i is [ends[i-1], ends[i])
        std::string_view of(size_t row) const
        {
            const size_t from = row == 0 ? 0 : ends[row - 1];
            return std::string_view(bytes).substr(from, ends[row] - from);
        }
        void append(std::string_view text);
    };
    static constexpr int kSearched = 3; // e, f, c
    struct Rows {
        std::vector<long long> keys;      // ascending
        std::vector<std::uint8_t> meets;  // per row: bit i set when it meets base condition i
        std::vector<long long> units;     // per row, per summed column
        Texts texts[kSearched];
        void clear() { *this = Rows(); }
        // Appends row `row` of `from`.
        void appendFrom(const Rows &from, size_t row, int summed);
    };

    // Reads every row, or the rows of `keys` again.
    void bringUpToDate();
    void readAll();
    void readAgain(std::vector<long long> keys);
    // The statement reading the kept columns, followed by `tail`.
    QString readingSql(const QString &tail) const;
    void appendRow(Rows &rows, const ResultRow &row) const;
    // Whether row `at` of `fresh` differs from row `row` kept in its searched texts.
    bool sameTexts(size_t row, const Rows &fresh, size_t at) const;

    Database &m_db;
    QStringList m_baseConditions;
    QStringList m_summed;
    Rows m_rows;
    bool m_built = false;
};
