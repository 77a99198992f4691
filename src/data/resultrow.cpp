#include "data/resultrow.h"

QVariant ResultRow::value(int column) const
{
    switch (type(column)) {
    case Type::Null:
        return {};
    case Type::Integer:
        return static_cast<qlonglong>(integer(column));
    case Type::Real:
        return real(column);
    case Type::Text:
        break;
    }
    return text(column);
}

double ResultRow::number(int column) const
{
    switch (type(column)) {
    case Type::Null:
        return 0;
    case Type::Integer:
        return double(integer(column));
    case Type::Real:
        return real(column);
    case Type::Text:
        break;
    }
    return text(column).toDouble();
}

QString ResultRow::text(int column) const
{
    const std::string_view bytes = utf8(column);
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}
