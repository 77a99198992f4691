#include "data/datamodule.h"

#include "data/database.h"

DataModule::DataModule(Database &db, QObject *parent)
    : QObject(parent),
      stockQuery(db, QStringLiteral("StockQuery"), this),
      salesQuery(db, QStringLiteral("SalesQuery"), this),
      orderLinesQuery(db, QStringLiteral("OrderLinesQuery"), this),
      summaryQuery(db, QStringLiteral("SummaryQuery"), this),
      lookupQuery(db, QStringLiteral("LookupQuery"), this),
      workQuery(db, QStringLiteral("WorkQuery"), this),
      stockTable(db, QStringLiteral("StockTable"), this),
      salesTable(db, QStringLiteral("SalesTable"), this),
      m_db(db)
{
    setObjectName(QStringLiteral("Tdmfm"));
}

void DataModule::openTables()
{
    stockTable.openTable(QStringLiteral("data"));
    salesTable.openTable(QStringLiteral("data1"));
}

void DataModule::closeTables()
{
    stockTable.close();
    salesTable.close();
}

void DataModule::closeConnection()
{
    for (Dataset *d : {&stockQuery, &salesQuery, &orderLinesQuery, &summaryQuery, &lookupQuery, &workQuery,
                       &stockTable, &salesTable})
        d->close();
    m_db.close();
}

void DataModule::reopenConnection()
{
    m_db.open();
}
