#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

struct sqlite3;

// The order in which the program lists texts: Chinese by pinyin (阿, 背心, 衬衫, 大衣 …), as a
// shop keeper looks things up, not by code point. It is ICU's Chinese collation; texts it holds
// equal (they differ only in characters it ignores) are ordered by code unit, so the order is
// total and the same every time. The drop-down lists (through SQL) and the title-click sorts of
// the grids (in memory) use this one order.
namespace collation {

// The name SQL knows the order by, once installed: "order by a collate pinyin".
inline constexpr const char *kName = "pinyin";

// Negative, zero or positive as `a` comes before, is equal to or comes after `b`.
int compare(QStringView a, QStringView b);

// The position of each text among the distinct texts in order; equal texts share a position.
// Sorting by it gives the order of compare(), at the cost of one ICU sort key per distinct text
// instead of an ICU comparison per step of the sort.
std::vector<int> ranks(const QStringList &texts);

// Makes the order known to a connection under kName. Registrations do not outlive the
// connection, so this is done every time one is opened. False when SQLite refuses.
bool install(sqlite3 *db);

} // namespace collation
