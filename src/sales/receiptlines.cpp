#include "sales/receiptlines.h"

#include "common/numbertext.h"

#include <QStringEncoder>

namespace receipt {
namespace {

// The bytes of one character (one or two UTF-16 units) in the GBK code page. A character GBK
// cannot encode (Hangul, emoji, rare CJK characters outside GBK) is printed all the same, so it
// takes the room of a Chinese one. A fresh encoder each time: its error flag outlives resetState().
int gbkWidthOf(QStringView character)
{
    QStringEncoder encoder("GBK");
    const QByteArray bytes = encoder(character);
    return encoder.hasError() ? 2 : int(bytes.size());
}

// Splits a text into whole characters, keeping surrogate pairs together.
QList<QStringView> characters(const QString &text)
{
    QList<QStringView> list;
    for (qsizetype i = 0; i < text.size();) {
        const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const qsizetype n = pair ? 2 : 1;
        list << QStringView(text).mid(i, n);
        i += n;
    }
    return list;
}

QString padded(QString text, int width)
{
    return text + QString(std::max(0, kNameBytes - width), QLatin1Char(' '));
}

} // namespace

QString separator()
{
    return QString(31, QLatin1Char('-'));
}

int gbkWidth(const QString &text)
{
    int width = 0;
    for (QStringView character : characters(text))
        width += gbkWidthOf(character);
    return width;
}

QList<Cell> cells(const QString &text)
{
    QList<Cell> list;
    int column = 0;
    for (QStringView character : characters(text)) {
        const int width = gbkWidthOf(character);
        list << Cell{character.toString(), column, width};
        column += width;
    }
    return list;
}

QString fitName(const QString &name)
{
    const int fullWidth = gbkWidth(name);
    if (fullWidth < kNameBytes)
        return padded(name, fullWidth);
    QString cut;
    int width = 0;
    for (QStringView character : characters(name)) {
        const int w = gbkWidthOf(character);
        if (width + w > kNameBytes)
            break;
        cut += character;
        width += w;
    }
    return padded(cut, width) + QLatin1Char(' ');
}

QString itemLine(const Item &item)
{
    return fitName(item.name) + QLatin1Char(' ') + numbertext::general(item.quantity) + QStringLiteral("      ") +
           numbertext::general(item.amount);
}

QString money(double value)
{
    return numbertext::format(value, QStringLiteral("0.00"));
}

QList<Line> lines(const Content &c)
{
    QList<Line> list;
    list << Line{0, QStringLiteral("   ") + c.title, true};
    list << Line{40, separator()};
    list << Line{60, QStringLiteral("销售单号：") + c.orderNumber};
    list << Line{90, QStringLiteral("收银员：") + c.cashier};
    list << Line{120, QStringLiteral("打印时间：") + c.printedAt.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss "))};
    list << Line{150, separator()};
    list << Line{180, QStringLiteral("商品名称         数量     金额 ")};
    int y = 210;
    for (const Item &item : c.items) {
        list << Line{y, itemLine(item)};
        y += 30;
    }
    list << Line{y, separator()};
    list << Line{y + 30, QStringLiteral("合计:") + c.total + QStringLiteral("元  ")};
    list << Line{y + 60, QStringLiteral("现金:") + money(c.cash) + QStringLiteral("元  找零:") + money(c.change) +
                             QStringLiteral("元")};
    list << Line{y + 90, separator()};
    list << Line{y + 120, c.slogan1};
    list << Line{y + 150, c.slogan2};
    list << Line{y + 180, separator()};
    list << Line{y + 210, QStringLiteral("      ") + c.closing};
    list << Line{y + 240, separator()};
    return list;
}

} // namespace receipt
