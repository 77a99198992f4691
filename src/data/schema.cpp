#include "data/schema.h"

namespace schema {

QStringList createStatements()
{
    QStringList s;
    // Stock rows. ID addresses a loaded row for edit and delete; nothing the user sees names it.
    s << QStringLiteral(
        "CREATE TABLE data (ID INTEGER PRIMARY KEY AUTOINCREMENT, a TEXT, b TEXT, c TEXT, d TEXT, "
        "e TEXT, f TEXT, g TEXT, [1] REAL, [2] REAL, [3] REAL, [4] REAL, [5] REAL, [6] REAL, "
        "[7] REAL, [8] REAL, z TEXT, day1 TEXT)");
    // Sale lines; k to y, 7 to 9 and day3 to day6 are never used but belong to the table.
    QString data1 = QStringLiteral("CREATE TABLE data1 (ID INTEGER PRIMARY KEY AUTOINCREMENT");
    for (char col = 'a'; col <= 'z'; ++col)
        data1 += QStringLiteral(", %1 TEXT").arg(QLatin1Char(col));
    data1 += QStringLiteral(", [1] REAL, [2] REAL, [3] REAL, [4] REAL, a5 REAL, [6] REAL, [7] REAL, "
                            "[8] REAL, [9] REAL, day1 TEXT, day2 TEXT, day3 TEXT, day4 TEXT, day5 TEXT, "
                            "day6 TEXT)");
    s << data1;
    s << QStringLiteral("CREATE TABLE userdb (username TEXT, passwd TEXT)");
    s << QStringLiteral(
        "CREATE TABLE rz (id INTEGER PRIMARY KEY AUTOINCREMENT, username TEXT, btime TEXT, jtime TEXT)");
    s << QStringLiteral("INSERT INTO userdb (username, passwd) VALUES ('超级管理员', '927')");
    return s;
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
    // The sales details list a month or every sale line by sale date ("yyyy-mm-dd" text, so a
    // month is a range of texts), and the charts total a year or a month. This index holds, in
    // date order and by key within a day, what those read of a line: the key, the quantity that
    // colours a row and the numbers the grid sums and the charts total. Reading a month is then a
    // range of the index; the rest of a line is read by its key when it is shown.
    return {QStringLiteral("CREATE INDEX IF NOT EXISTS data_scan_bought ON data %1 WHERE [2]>0").arg(columns),
            QStringLiteral("CREATE INDEX IF NOT EXISTS data_scan_in_stock ON data %1 WHERE [7]<>0").arg(columns),
            QStringLiteral("CREATE INDEX IF NOT EXISTS data1_by_day ON data1 (day1, ID, [3], [4], [6], a5)")};
}

QStringList requiredTables()
{
    return {QStringLiteral("data"), QStringLiteral("data1"), QStringLiteral("userdb"), QStringLiteral("rz")};
}

} // namespace schema
