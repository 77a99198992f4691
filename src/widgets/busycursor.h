#pragma once

class Database;

// While a statement waits for the database file another program holds (it is saving), the
// mouse pointer shows the hourglass, so a frozen window is seen to be waiting.
void showWaitCursorWhileBusy(Database &db);
