#pragma once

class MainWindow;

// What a user other than the superadministrator may not see or do in this run: stock rows cannot
// be created, changed or deleted, users cannot be managed, purchase prices, amounts and profits
// stay hidden, and the sale date is fixed. Nothing lifts the restrictions until the program ends.
namespace userrestrictions {

// Applies the restrictions to the main window and its window set when the session's user is not
// the superadministrator; does nothing for the superadministrator.
void applyForSession(MainWindow &main);

} // namespace userrestrictions
