#pragma once

#include "data/statement.h"

#include <QString>
#include <QStringList>

class Dataset;
class Messages;
class QComboBox;
class QWidget;

// The small routines every window runs its statements and lists through.
namespace routines {

// A required field (a line edit, an editable combo box or a spin box): when its trimmed text is empty, shows
// `message` as a warning, moves the focus to the field and returns false.
bool requireField(Messages &messages, QWidget *field, const QString &message);

// Closes the dataset, replaces its statement and opens it.
void open(Dataset &dataset, const Statement &statement);
// Closes the dataset, replaces its statement and runs it without a result.
void execute(Dataset &dataset, const Statement &statement);
// Opens the distinct values of a column, sorted: select c from t group by c order by c, texts
// in the program's order (Chinese by pinyin, see collation).
void openDistinct(Dataset &dataset, const QString &column, const QString &table);
// The distinct values of a column, sorted, read through `dataset`; a null becomes "".
QStringList distinctValues(Dataset &dataset, const QString &column, const QString &table);
// Empties the list (its text too) and fills it with the distinct values of a column; a null
// becomes an empty entry. Refilling does not count as the user changing the list.
void fillList(Dataset &dataset, const QString &column, const QString &table, QComboBox *list);

// The text of a line edit, combo box or spin box.
QString fieldText(const QWidget *field);

} // namespace routines
