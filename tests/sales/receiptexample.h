#pragma once

#include "sales/receiptlines.h"

#include <QDateTime>

// The receipt of an order of two lines, 40 and 50.15 (a return of 1.5 pieces), paid with 100: the
// example the till receipt's layout is checked with, on paper and on a receipt printer.
inline receipt::Content twoLineReceipt()
{
    receipt::Content c;
    c.title = QStringLiteral("POS小票销售单");
    c.orderNumber = QStringLiteral("20140729100");
    c.cashier = QStringLiteral("超级管理员");
    c.printedAt = QDateTime(QDate(2014, 7, 29), QTime(9, 5, 7));
    c.items = {{QStringLiteral("连衣裙"), 1, 40}, {QStringLiteral("一二三四五六七八九十"), -1.5, 50.15}};
    c.total = QStringLiteral("90.15");
    c.cash = 100;
    c.change = 9.85;
    c.slogan1 = QStringLiteral("宣传一");
    c.slogan2 = QStringLiteral("宣传二");
    c.closing = QStringLiteral("欢迎下次惠顾！");
    return c;
}
