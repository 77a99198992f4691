#pragma once

#include <QString>

// A field's text read as the value it stands for. A text that is not one raises a ConversionError
// whose message names the field by its caption, e.g. "销售数量：'1.2.3' 不是有效的数值".
namespace fieldvalue {

double number(const QString &text, const QString &caption);
long long integer(const QString &text, const QString &caption);
// A date "yyyy-mm-dd" (blanks around it allowed), returned in that form.
QString date(const QString &text, const QString &caption);

} // namespace fieldvalue
