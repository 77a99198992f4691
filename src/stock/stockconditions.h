#pragma once

#include "data/statement.h"

#include <QDate>
#include <QString>

// The most characters a condition field takes: more than any name, model or code needs, and far
// within what the engine accepts as a pattern (a pasted page of text is cut here, not refused).
constexpr int kConditionMaxLength = 200;

// What the conditions group " 快速拼音查询" holds when a query runs. Texts are taken as typed:
// blanks and signs such as "%", "_" or a quote are part of what is searched for; a NUL is no
// character at all.
struct StockConditions {
    QString category; // "类 别：", matched in d
    QString name;     // "商品名称：", initials of the name, matched in e
    QString model;    // "规格型号：", initials of the model, matched in f
    QString code;     // "商品编码：", matched in c
    QString remark;   // "备注：", matched in z
    QString supplier; // "供货商：", matched in g
    bool dateRange = false; // "入库日期：" ticked
    QDate from;
    QDate to;
};

// The two statements the zero-stock switch chooses between. The database holds an index for each
// base condition (see schema::indexStatements); a changed condition needs its index changed too.
struct StockListing {
    QString allRecords;    // "全部记录"
    QString baseCondition; // what every conditions query starts with

    static StockListing allRows();      // switch off: every row; queries list bought rows
    static StockListing nonZeroStock(); // switch on: rows whose stock is not 0
};

// "select * from data <base condition>" followed by one bound substring match per non-empty field,
// in the order category, name, model, code, remark, supplier, and the inclusive date range; the
// rows in the order they were written.
Statement stockConditionsStatement(const QString &baseCondition, const StockConditions &conditions);
