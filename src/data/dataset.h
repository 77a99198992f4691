#pragma once

#include "data/cellstore.h"
#include "data/statement.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <unordered_map>
#include <vector>

class Database;
class ResultRow;

// A result loaded into memory, or a whole table opened for appending. It has a current row that
// can be moved, read by column name, edited and posted, or deleted. For results of `select *` on
// a table with an ID column (`data`, `data1`) each row carries its key, which is how an edit or
// delete finds its row in the database.
class Dataset : public QObject {
    Q_OBJECT
public:
    Dataset(Database &db, const QString &name, QObject *parent = nullptr);

    Database &database() const { return m_db; }

    // Closes, replaces the statement and loads its rows; the current row becomes the first.
    void open(const Statement &statement);
    // The same for a statement that lists every row of its table, given the table's sums of some
    // columns in ten-thousandths, as sums() keeps them (see TableTotals). Those columns are read
    // like the deferred ones, when a row is shown, and sums() gives these sums, kept true by
    // edits and deletions through this dataset. A whole table then loads little more than its keys.
    void open(const Statement &statement, const QHash<QString, long long> &tableSums);
    // The same for a keyed statement whose rows are already known: their keys in the statement's
    // order and the sums of the columns named by setLoadedColumns, as the statement would give
    // them. Nothing is read but the column names; the rows are read by key when shown, as for any
    // keyed result. Without the loaded columns, or without a sum for each, the statement is run.
    void open(const Statement &statement, const std::vector<long long> &keys,
              const QHash<QString, long long> &sums);
    // Rows made by the caller instead of read by a statement: `produce` hands each row, in order,
    // to the function it is given; `columns` names their values.
    struct MadeRows {
        QStringList columns;
        std::function<void(const std::function<void(const ResultRow &)> &)> produce;
    };
    // Closes and loads made rows, as open() loads a statement's; the current row becomes the first.
    // `statement` stands for them (what statement() gives); they cannot be edited.
    void open(const Statement &statement, const MadeRows &rows);
    // Runs the statement again after the table was written elsewhere: the rows as stored now,
    // sorted as they were, the row with the same key current (or, when it is gone, the row at the
    // same position). `tableSums` as for open(). Does nothing when closed or editing.
    void reopenKeepingPlace(const QHash<QString, long long> &tableSums = {});
    // Closes, replaces the statement and runs it without a result.
    void execute(const Statement &statement);
    // Opens a whole table for appending rows; no rows are loaded.
    void openTable(const QString &table);
    void close();
    bool isOpen() const { return m_open; }
    const Statement &statement() const { return m_statement; }
    // The statement that read the rows: statement(), or a narrower one when columns are read on
    // demand (see setLoadedColumns).
    const Statement &rowsStatement() const { return m_rowsStatement; }
    // The table rows of this result can be edited in, empty when it cannot be edited.
    const QString &table() const { return m_table; }

    // Rows and columns.
    int recordCount() const { return m_rowCount; }
    bool isEmpty() const { return m_rowCount == 0; }
    int columnCount() const { return m_columns.size(); }
    const QStringList &columns() const { return m_columns; }
    int columnIndex(const QString &name) const; // -1 when absent; names compare without case
    bool hasColumn(const QString &name) const { return columnIndex(name) >= 0; }
    QVariant value(int row, int column) const;
    QVariant value(int row, const QString &name) const;

    // The current row.
    int currentRow() const { return m_current; }
    void setCurrentRow(int row);
    void first() { setCurrentRow(0); }
    void last() { setCurrentRow(m_rowCount - 1); }
    void next();
    bool eof() const { return m_eof || m_rowCount == 0; }
    // Value of a column of the current row; raises DbError with no current row or no such column.
    QVariant value(const QString &name) const;
    // Its text: a null value gives "".
    QString text(const QString &name) const;
    // The key of a row (its ID), or -1 when the result carries no keys.
    long long key(int row) const;
    long long currentKey() const { return m_current >= 0 ? key(m_current) : -1; }
    int rowOfKey(long long key) const;

    // Editing the current row of a keyed result, or appending to an opened table.
    void edit();
    void append();
    void setValue(const QString &column, const QVariant &value);
    void post();
    void cancel();
    bool isEditing() const { return m_editMode != EditMode::None; }
    // Deletes the current row from the database and from the loaded rows.
    void deleteCurrent();
    // Writes `values` into the row with `key` in this result's table and refreshes the loaded
    // copy when the row is loaded. Used where a row must be written by key, not by position.
    void updateByKey(long long key, const QVariantHash &values);
    // Reads the loaded row with `key` again as this result's statement now gives it, after it was
    // written elsewhere: its new values, or its removal from the loaded rows when it no longer
    // meets the statement's conditions. For a statement whose row order does not depend on the
    // values written, that is what running the statement again would show of this row, at the
    // cost of one row. False when the row is not loaded or the result carries no keys.
    // `before` gives written columns as they were before the write, by name: the kept sums lose
    // those. Without them, a row whose cells were never read cannot be refreshed (false), as its
    // cells read now give what was written.
    bool refreshRow(long long key, const QVariantHash &before = {});

    // Keyed results keep only each row's key while they load, reading these columns too only to
    // sum them; every other column of a row, and these, are read by its key when a value of the
    // row is first asked for, together with the rows around it. The rows are read by a narrower
    // statement with the same conditions, selecting the key and these columns only. The sums are
    // then kept like given sums, true through edits and deletions. A grid that shows a screenful
    // of a large result costs little more than that statement, in time and in memory. Empty (the
    // default): every column is read and kept while loading.
    void setLoadedColumns(const QStringList &names) { m_loadedColumns = names; }

    // Re-sorts the loaded rows by one column: "7" ascending, "7 DESC" descending. Stable.
    void sort(const QString &fieldSpec);
    const QString &sortColumn() const { return m_sortColumn; }
    bool sortDescending() const { return m_sortDescending; }

    // Sum of a number column over the loaded rows, kept in four-decimal fixed point.
    double sum(const QString &name) const;
    // The sums of several columns, in one pass over the rows.
    std::vector<double> sums(const QStringList &names) const;
    // The sums known without reading any row again, in ten-thousandths by column name: those given
    // at open and those of the loaded columns taken while loading.
    QHash<QString, long long> knownSums() const;

signals:
    // The loaded rows were replaced, re-sorted or cleared.
    void reset();
    void rowChanged(int row);
    void rowRemoved(int row);
    void currentRowChanged(int row);

private:
    enum class EditMode { None, Edit, Append };
    // open() with the rows' keys given (`keys` not null) or read by the statement.
    void load(const Statement &statement, const QHash<QString, long long> &tableSums,
              const std::vector<long long> *keys, const MadeRows *made = nullptr);
    int requireColumn(const QString &name) const;
    void requireCurrent() const;
    void loadRow(int row, const std::vector<QVariant> &values);

    Database &m_db;
    Statement m_statement;
    Statement m_rowsStatement;
    QString m_table;
    bool m_open = false;
    QStringList m_columns;
    QHash<QString, int> m_columnIndex; // lower-case name -> index
    // Where a cell lives: the cells read while loading are kept row by row in m_cells, the cells
    // read on demand row by row in m_lateCells, for the rows read so far.
    struct Place {
        bool late = false; // read on demand
        int at = 0;        // position within a row of its store
    };
    struct Cell {
        CellStore *store = nullptr; // none: a cell read on demand whose row could not be read
        size_t index = 0;
    };
    Cell cell(int row, int column) const;
    size_t loadedCell(int row, int column) const
    {
        return size_t(m_rows[size_t(row)]) * size_t(m_loadedWidth) + size_t(m_place[size_t(column)].at);
    }
    bool isDeferred(int row, int column) const
    {
        return m_place[size_t(column)].late && m_lateRow[size_t(m_rows[size_t(row)])] < 0;
    }
    // Per column of a result being loaded: true when it is read on demand. Empty when every column
    // is read at once.
    std::vector<bool> deferredColumns(const QStringList &columns) const;
    // Whether `sums` has a sum for the column `name` (names compare without case).
    static bool hasName(const QHash<QString, long long> &sums, const QString &name);
    // What a value adds to a sum, in ten-thousandths.
    static long long unitsOf(const QVariant &value);
    // `statement` selecting only the columns not deferred, in their order.
    static Statement loadingStatement(const Statement &statement, const QStringList &columns,
                                      const std::vector<bool> &deferred);
    void placeColumns(const std::vector<bool> &deferred);
    // Reads the deferred columns of the rows at positions [from, from + count) not read yet.
    void readRows(int from, int count) const;
    void readColumn(int column) const;
    // Rows whose cell of a deferred column is not read yet.
    int unreadRows(int column) const;
    // The column's value for every loaded row, read by one statement into `values`: per row
    // position the cell's index there, -1 when the row has left the table.
    std::vector<long long> readWholeColumn(int column, CellStore &values) const;

    mutable CellStore m_cells;      // the columns read while loading, row by row in reading order
    mutable CellStore m_lateCells;  // the deferred columns of the rows read, in the order read
    std::vector<int> m_rows;        // the stored row shown at each position (sorting moves these only)
    QStringList m_loadedColumns;    // read while loading when the result is keyed
    std::vector<Place> m_place;     // per column
    int m_loadedWidth = 0;          // cells per row in m_cells
    int m_lateWidth = 0;            // cells per row in m_lateCells
    mutable std::vector<int> m_lateRow; // per stored row: its row in m_lateCells, -1 while not read
    // Per column given sums at open or taken while loading: the sum of every loaded row in
    // ten-thousandths.
    QHash<int, long long> m_knownUnits;
    // What a sort by a column compares: nulls first, then numbers by value, then texts by their
    // rank in the program's order.
    struct SortKey {
        int kind = 0;     // 0 null, 1 number, 2 text
        double value = 0; // the number, or the text's rank
    };
    // Per stored row, the sort keys of a column: built on the first sort by it and kept while the
    // loaded values stay as they are, so the next sort by it (the other way round, or back)
    // reads and ranks nothing.
    const std::vector<SortKey> &sortKeys(int column);
    std::unordered_map<int, std::vector<SortKey>> m_sortKeys;
    int m_rowCount = 0;
    int m_keyColumn = -1;
    int m_current = -1;
    bool m_eof = true;
    QString m_sortColumn;
    bool m_sortDescending = false;

    EditMode m_editMode = EditMode::None;
    QStringList m_editColumns;
    QVariantList m_editValues;
};
