#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

// SQL text with its bound values. The text holds only the program's fixed pieces; whatever a
// person typed travels in `params`, one per "?" in order, so no text can change the statement.
struct Statement {
    QString sql;
    QVariantList params;

    Statement() = default;
    Statement(QString text, QVariantList values = {}) : sql(std::move(text)), params(std::move(values)) {}
    Statement(const char *text) : sql(QString::fromUtf8(text)) {}

    // Appends a fixed piece and, when given, the values for the "?" it contains.
    Statement &add(const QString &piece, const QVariantList &values = {})
    {
        sql += piece;
        params += values;
        return *this;
    }
};
