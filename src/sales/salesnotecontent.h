#pragma once

#include <QList>
#include <QString>
#include <functional>

class Dataset;
class QDate;

// What a sales note prints: every label's text as it appears on the page.
namespace salesnote {

struct Line {
    QString name;          // a
    QString model; // b
    QString code;          // c
    QString quantity;      // 3, general number text
    QString unitPrice;     // 2
    QString amount;        // 4
    QString remark;        // j
};

struct Content {
    QString heading;     // dan1
    QString contact;     // dan2
    QString customer;    // "客户名称：" + g, empty when g is null
    QString orderNumber; // "单 号：" + the order number as entered
    QString address;     // "客户地址：" + h, empty when h is null
    QString telephone;   // "联系电话：" + i, empty when i is null
    QString date;        // "日 期：" + the day of printing
    QList<Line> lines;
    QString capitals; // "（大写） " + the total in capitals
    QString total;    // "￥" + the total
    // The slogan band shows dan3 and dan4 at its full height only when dan3 is not empty;
    // otherwise it shrinks to its frame.
    bool slogans = false;
    QString slogan1;
    QString slogan2;
    QString maker; // "制单人：" + the user name
};

// The total of an order in capitals: "负" before the capitals of the amount when it is negative
// (an order with returns), empty for 0 and for a total the capitals cannot write.
QString totalInCapitals(const QString &total);

// Where the note's settings texts come from, by settings name ("dan1" …).
using TextSource = std::function<QString(const QString &name)>;

// Fills the note from the order's lines (all columns of data1, in print order). The customer texts
// are those of the first line; the total is the sum of `4` in the four-decimal fixed point.
Content fill(const Dataset &lines, const QString &orderNumber, const QDate &printed, const QString &user,
             const TextSource &texts);

} // namespace salesnote
