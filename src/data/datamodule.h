#pragma once

#include "data/dataset.h"

#include <QObject>

class Database;

// The named datasets every window runs its statements through, all on the one connection.
class DataModule : public QObject {
    Q_OBJECT
public:
    explicit DataModule(Database &db, QObject *parent = nullptr);

    Database &database() const { return m_db; }

    Dataset stockQuery;      // the main grid: stock rows
    Dataset salesQuery;      // the sales details grid: sale lines
    Dataset orderLinesQuery; // the lines of the current sales order (checkout panel, receipt)
    Dataset summaryQuery;    // the inventory summary
    Dataset lookupQuery;     // customer look-ups of the sale panel
    Dataset workQuery;       // lists, login, users, login log and other one-off statements
    Dataset stockTable;      // table data, for appending stock rows
    Dataset salesTable;      // table data1, for appending sale lines

    // Opens the two append tables (when the main window is first shown).
    void openTables();
    void closeTables();
    // Closes every dataset and the connection, e.g. while the database file is copied.
    void closeConnection();
    // Opens the connection again; the datasets stay closed until their owners reopen them.
    void reopenConnection();

private:
    Database &m_db;
};
