#pragma once

#include <QString>
#include <QVariant>
#include <string_view>

// The row of a query's result that is current while a query hands its rows over: each value is
// read from the engine in place, without a copy of the row. What a value is (null, a whole or a
// real number, a text) is as the engine holds it.
class ResultRow {
public:
    enum class Type { Null, Integer, Real, Text };

    virtual ~ResultRow() = default;
    virtual int columnCount() const = 0;
    virtual Type type(int column) const = 0;
    // The value as a whole number or a real number, converted as the engine converts it.
    virtual long long integer(int column) const = 0;
    virtual double real(int column) const = 0;
    // The value's text in UTF-8, valid while the row is current.
    virtual std::string_view utf8(int column) const = 0;

    bool isNull(int column) const { return type(column) == Type::Null; }
    // The value as the program sees it: null, a number (whole numbers as qlonglong, others as
    // double) or a text.
    QVariant value(int column) const;
    // The value as a number: null and texts that are no number count as 0.
    double number(int column) const;
    // The value's text; null is an empty text.
    QString text(int column) const;
};
