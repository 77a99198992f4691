#include "data/routines.h"

#include "common/messages.h"
#include "data/collation.h"
#include "data/dataset.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

namespace routines {

QString fieldText(const QWidget *field)
{
    if (const auto *edit = qobject_cast<const QLineEdit *>(field))
        return edit->text();
    if (const auto *combo = qobject_cast<const QComboBox *>(field))
        return combo->currentText();
    if (const auto *spin = qobject_cast<const QAbstractSpinBox *>(field))
        return spin->text();
    return {};
}

bool requireField(Messages &messages, QWidget *field, const QString &message)
{
    if (!fieldText(field).trimmed().isEmpty())
        return true;
    messages.warning(message);
    field->setFocus(Qt::OtherFocusReason);
    return false;
}

void open(Dataset &dataset, const Statement &statement)
{
    dataset.close();
    dataset.open(statement);
}

void execute(Dataset &dataset, const Statement &statement)
{
    dataset.close();
    dataset.execute(statement);
}

void openDistinct(Dataset &dataset, const QString &column, const QString &table)
{
    open(dataset, Statement(QStringLiteral("select %1 from %2 group by %1 order by %1 collate %3")
                                .arg(column, table, QLatin1String(collation::kName))));
}

QStringList distinctValues(Dataset &dataset, const QString &column, const QString &table)
{
    openDistinct(dataset, column, table);
    QStringList entries;
    for (int r = 0; r < dataset.recordCount(); ++r) {
        const QVariant v = dataset.value(r, 0);
        entries << (v.isNull() ? QString() : v.toString());
    }
    return entries;
}

void fillList(Dataset &dataset, const QString &column, const QString &table, QComboBox *list)
{
    {
        const QSignalBlocker quiet(list);
        list->clear();
        list->setEditText(QString());
    }
    const QStringList entries = distinctValues(dataset, column, table);
    const QSignalBlocker quiet(list);
    list->addItems(entries);
    list->setCurrentIndex(-1);
    list->setEditText(QString());
}

} // namespace routines
