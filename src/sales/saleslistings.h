#pragma once

#include "data/statement.h"

#include <QDate>
#include <QString>

// What the conditions group " 快速拼音查询" of the sales details window holds when a query runs.
// Texts are taken as typed: blanks and signs such as "%", "_" or a quote are part of what is
// searched for.
struct SalesConditions {
    QString category; // "类 别：", matched in d
    QString name;     // "商品名称：", initials of the name, matched in e
    QString code;     // "商品编码：", matched in c
    QString model;    // "规格型号：", initials of the model, matched in f
    QString customer; // "客户名称：", matched in g
    QString remark;   // "备 注：", matched in j
    bool dateRange = false; // "销售日期：" ticked
    QDate from;
    QDate to;
};

// The statements that list sale lines into the sales details grid. Dates are stored as
// "yyyy-mm-dd" text, so a month or a range of days is a range of texts, which the index on
// data1(day1) serves.
namespace saleslistings {

// Every listing names its order, so a shop on a server lists the lines as a shop file does.

// "本 月": the lines whose sale date lies in the month of `today`, by sale date.
Statement thisMonth(const QDate &today);
// "全部记录": every line, by sale date.
Statement allRecords();
// "全部退货": every return line (negative quantity), by sale date.
Statement allReturns();
// The searches take `indexed`: the shop file has the sale lines' text index (see
// Database::hasSaleTextIndex), which then narrows a search of three characters or more; the rows
// are the same either way.

// "查 询" of the conditions group: sale lines (quantity above 0) matching the conditions; by sale
// date when a date range or no text is given, otherwise in the order they were written.
Statement sales(const SalesConditions &conditions, bool indexed = false);
// "查 询" of the returns group: return lines (quantity below 0) matching the conditions, in the
// same order.
Statement returns(const SalesConditions &conditions, bool indexed = false);
// "查 询" of the order-number group: the lines whose order number contains the typed text,
// leading and trailing blanks removed; in the order they were written.
Statement orderNumber(const QString &typed, bool indexed = false);

} // namespace saleslistings
