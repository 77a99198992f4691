#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <string_view>
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
// Sorting by it gives the order of compare(); most texts are compared by their characters' places
// in the order, looked up in a table, instead of by ICU for each step of the sort.
std::vector<int> ranks(const QStringList &texts);
// The same for texts in UTF-8, as a loaded result keeps them.
std::vector<int> ranks(const std::vector<std::string_view> &texts);

// Makes, on a thread of its own, what the first sort would otherwise wait for: the table of the
// characters' places in the order. Called once at start.
void prepare();

// Makes the order known to a connection under kName. Registrations do not outlive the
// connection, so this is done every time one is opened. False when SQLite refuses.
bool install(sqlite3 *db);

} // namespace collation
