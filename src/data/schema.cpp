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

QStringList requiredTables()
{
    return {QStringLiteral("data"), QStringLiteral("data1"), QStringLiteral("userdb"), QStringLiteral("rz")};
}

} // namespace schema
