#include "data/schema.h"

namespace schema {
namespace {

// Columns named by a digit are written in brackets: a bare digit is a number in SQL.
QString quoted(const QString &column)
{
    return column.front().isDigit() ? QLatin1Char('[') + column + QLatin1Char(']') : column;
}

QStringList letters(char from, char to)
{
    QStringList names;
    for (char c = from; c <= to; ++c)
        names << QString(QLatin1Char(c));
    return names;
}

// The type of a column: keys, numbers (digit names and a5) and texts (everything else).
QString typeOf(const QString &column)
{
    if (column.compare(QLatin1String("ID"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    if (column.front().isDigit() || column == QLatin1String("a5"))
        return QStringLiteral("REAL");
    return QStringLiteral("TEXT");
}

} // namespace

const std::vector<Table> &tables()
{
    static const std::vector<Table> all = [] {
        const auto digits = [](int from, int to) {
            QStringList names;
            for (int d = from; d <= to; ++d)
                names << QString::number(d);
            return names;
        };
        // Stock rows. ID addresses a loaded row for edit and delete; nothing the user sees names it.
        const Table data{QStringLiteral("data"), QStringList{QStringLiteral("ID")} + letters('a', 'g') + digits(1, 8) +
                                                     QStringList{QStringLiteral("z"), QStringLiteral("day1")}};
        // Sale lines; k to y, 7 to 9 and day3 to day6 are never used but belong to the table.
        const Table data1{QStringLiteral("data1"),
                          QStringList{QStringLiteral("ID")} + letters('a', 'z') + digits(1, 4) +
                              QStringList{QStringLiteral("a5")} + digits(6, 9) +
                              QStringList{QStringLiteral("day1"), QStringLiteral("day2"), QStringLiteral("day3"),
                                          QStringLiteral("day4"), QStringLiteral("day5"), QStringLiteral("day6")}};
        const Table userdb{QStringLiteral("userdb"), {QStringLiteral("username"), QStringLiteral("passwd")}};
        const Table rz{QStringLiteral("rz"),
                       {QStringLiteral("id"), QStringLiteral("username"), QStringLiteral("btime"), QStringLiteral("jtime")}};
        return std::vector<Table>{data, data1, userdb, rz};
    }();
    return all;
}

QStringList createStatements()
{
    QStringList s;
    for (const Table &table : tables()) {
        QStringList columns;
        for (const QString &column : table.columns)
            columns << quoted(column) + QLatin1Char(' ') + typeOf(column);
        s << QStringLiteral("CREATE TABLE %1 (%2)").arg(table.name, columns.join(QStringLiteral(", ")));
    }
    return s;
}

QStringList indexNames()
{
    return {QStringLiteral("data_scan_bought"), QStringLiteral("data_scan_in_stock"), QStringLiteral("data1_order"),
            QStringLiteral("data1_by_day"), QStringLiteral("data1_owed"), QStringLiteral("data1_by_customer"),
            QStringLiteral("data_by_code")};
}

const std::vector<ProgramTable> &programTables()
{
    static const std::vector<ProgramTable> all{
        // The order numbers opened for selling, with the run of the program that opened each: when
        // two programs share the file, a number one of them has opened is not opened by the other.
        {QStringLiteral("order_claims"),
         QStringLiteral("CREATE TABLE IF NOT EXISTS order_claims (z TEXT PRIMARY KEY, claimant TEXT NOT NULL)")},
        // Every opening of the cash drawer: when, by whom, and the order number when a receipt
        // opened it (null when it was opened by itself, for change).
        {QStringLiteral("drawer_openings"),
         QStringLiteral("CREATE TABLE IF NOT EXISTS drawer_openings (id INTEGER PRIMARY KEY AUTOINCREMENT, "
                        "opened_at TEXT NOT NULL, username TEXT NOT NULL, z TEXT)")},
    };
    return all;
}

QStringList programTableStatements()
{
    QStringList s;
    for (const ProgramTable &table : programTables())
        s << table.statement;
    return s;
}

Statement firstUser(const QString &passwordHash)
{
    return Statement(QStringLiteral("INSERT INTO userdb (username, passwd) VALUES (?, ?)"),
                     {QStringLiteral("超级管理员"), passwordHash});
}

QStringList indexStatements()
{
    // The stock query matches initials (e, f) against a typed text with a leading wildcard, so
    // every stock row is visited on each keystroke. These indexes hold, in ID order, what that
    // visit reads of a row: the matched initials and the numbers the main grid sums. Scanning one
    // reads a few bytes per row instead of the whole row; the rest of a row is read by its key
    // when it is shown. There is one per base condition of the stock query (bought rows, rows in
    // stock), each holding only the rows of its condition, so the condition costs nothing per
    // row either. Each costs one more b-tree entry per stock row written.
    const QString columns = QStringLiteral("(ID, e, f, [2], [3], [5], [6], [7], [8])");
    const QStringList names = indexNames();
    return {QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON data %2 WHERE [2]>0").arg(names.at(0), columns),
            QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON data %2 WHERE [7]<>0").arg(names.at(1), columns),
            // The lines of one order (checkout, receipt, the next free order number).
            QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON data1 (z)").arg(names.at(2)),
            // The sales details list a month or every sale line by sale date ("yyyy-mm-dd" text,
            // so a month is a range of texts), and the charts total a year or a month. This index
            // holds, in date order and by key within a day, what those read of a line: the key,
            // the quantity that colours a row and the numbers the grid sums and the charts total.
            // Reading a month is then a range of the index; the rest of a line is read by its key
            // when it is shown.
            QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON data1 (day1, ID, [3], [4], [6], a5)").arg(names.at(3)),
            // The customers who owe money and each one's owed lines: only the lines with an owed
            // amount, a small share of all, so a paid line written costs no entry here. The
            // entries stand in the order of the customer's trimmed name, contact and address, as
            // the listing groups them and a customer's lines are looked up, then by sale date;
            // with the owed amount and the texts as stored, the listing reads nothing else.
            QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON data1 (trim(ifnull(g,'')), trim(ifnull(i,'')), "
                           "trim(ifnull(h,'')), day1, [6], g, i, h) WHERE [6]<>0").arg(names.at(4)),
            // The known customers (the sale panel's list: the distinct values, read from the
            // index in order instead of sorting every line) and a customer's address look-up.
            QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON data1 (g)").arg(names.at(5)),
            // A scanned code is looked up whole among the stock rows (the sale it starts).
            QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON data (c)").arg(names.at(6))};
}

} // namespace schema
