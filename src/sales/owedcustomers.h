#pragma once

#include "data/statement.h"
#include "widgets/gridcolumn.h"

#include <QString>

class Dataset;

// A customer who owes money ("欠款"): the sale lines with an owed amount (data1.[6]) other than 0,
// grouped by the customer's name, contact and address, each with blanks around it removed and a
// missing text taken as an empty one. Two customers of the same name with different contacts or
// addresses are two lines, as they may be two people.
struct OwedCustomer {
    QString name;    // g, trimmed; empty for the lines that name no customer
    QString contact; // i, trimmed
    QString address; // h, trimmed

    bool operator==(const OwedCustomer &) const = default;
};

namespace owedcustomers {

// What the listing shows in place of an empty customer name.
inline QString unnamedCustomer() { return QStringLiteral("（未填客户）"); }

// "欠款客户": one line per customer with owed lines: the name shown (g), contact (i), address (h),
// the number of owed lines (笔数), their total rounded to the fen (欠款合计) and the date of the
// last of them (最后日期); the largest total first. The customer's trimmed name, empty included,
// is in 客户, which the grid does not show.
Statement customers();
// The owed lines of one customer, by sale date: every column of data1, for the sale-lines grid.
Statement linesOf(const OwedCustomer &customer);

// The customer of a line of the customers() listing.
OwedCustomer customerAt(const Dataset &listing, int row);

// The columns of the customers grid, the owed total summed in its footer.
GridColumns gridColumns();

} // namespace owedcustomers
