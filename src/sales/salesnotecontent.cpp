#include "sales/salesnotecontent.h"

#include "common/clock.h"
#include "common/numbertext.h"
#include "data/dataset.h"
#include "sales/amountcapitals.h"

namespace salesnote {
namespace {

// A label of the first line's value: a null value leaves the whole label empty, caption included.
QString customerLabel(const Dataset &lines, const char *column, const char *caption)
{
    if (lines.isEmpty())
        return {};
    const QVariant value = lines.value(0, QString::fromLatin1(column));
    return value.isNull() ? QString() : QString::fromUtf8(caption) + value.toString();
}

QString numberText(const QVariant &value)
{
    return value.isNull() ? QString() : numbertext::general(value.toDouble());
}

} // namespace

QString totalInCapitals(const QString &total)
{
    if (!total.startsWith(QLatin1Char('-')))
        return amountInCapitals(total);
    const QString magnitude = amountInCapitals(total.mid(1));
    return magnitude.isEmpty() ? QString() : QStringLiteral("负") + magnitude;
}

Content fill(const Dataset &lines, const QString &orderNumber, const QDate &printed, const QString &user,
             const TextSource &texts)
{
    const auto text = [&](const char *name) { return texts ? texts(QString::fromLatin1(name)) : QString(); };
    Content note;
    note.heading = text("dan1");
    note.contact = text("dan2");
    note.customer = customerLabel(lines, "g", "客户名称：");
    note.orderNumber = QStringLiteral("单 号：") + orderNumber;
    note.address = customerLabel(lines, "h", "客户地址：");
    note.telephone = customerLabel(lines, "i", "联系电话：");
    note.date = QStringLiteral("日 期：") + datetext::date(printed);
    for (int row = 0; row < lines.recordCount(); ++row) {
        const auto value = [&](const char *column) { return lines.value(row, QString::fromLatin1(column)); };
        note.lines << Line{value("a").toString(),    value("b").toString(),      value("c").toString(),
                           numberText(value("3")),   numberText(value("2")),     numberText(value("4")),
                           value("j").toString()};
    }
    const QString total = numbertext::general(lines.sum(QStringLiteral("4")));
    note.capitals = QStringLiteral("（大写） ") + totalInCapitals(total);
    note.total = QStringLiteral("￥") + total;
    note.slogan1 = text("dan3");
    note.slogan2 = text("dan4");
    note.slogans = !note.slogan1.isEmpty();
    note.maker = QStringLiteral("制单人：") + user;
    return note;
}

} // namespace salesnote
