#pragma once

#include <QList>

class DateEdit;
class QAction;
class QMenu;
class QWidget;
class StockQueryView;

// What a user other than the superadministrator may not see or do in this run: stock rows cannot
// be created, changed or deleted, users cannot be managed, purchase prices, amounts and profits
// stay hidden, and the sale date is fixed. Nothing lifts the restrictions until the program ends.
namespace userrestrictions {

// The pieces of the main window a restricted user loses or sees narrowed.
struct MainWindowParts {
    QList<QAction *> commands;     // stock-in, workbook import, modify, delete, user management, database moves
    QMenu *hideColumns = nullptr;  // its purchase price and amount switches go with the columns
    QWidget *stockInButton = nullptr;
    StockQueryView *stockQuery = nullptr;
    DateEdit *saleDate = nullptr;
};

// Withdraws the commands, hides the cost columns of the main grid and fixes the sale date.
void restrictMainWindow(const MainWindowParts &parts);

} // namespace userrestrictions
