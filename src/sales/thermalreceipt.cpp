#include "sales/thermalreceipt.h"

#include "counter/escpos.h"

namespace receipt {
namespace {

// Lines fed after the last one, so it passes the cutter before the paper is cut.
constexpr int kFeedBeforeCut = 4;

struct Named {
    const char *name;
    const char *defaultText;
};

// The names of the choice and their defaults.
const Named kNames[] = {
    {"posprinter", "system"},   // "system" or "thermal"
    {"posport", "usb"},         // "usb", "serial" or "network"
    {"posdevice", "/dev/usb/lp0"},
    {"posbaud", "9600"},
    {"poshost", ""},
    {"posportno", "9100"},
    {"poswidth", "58"},
    {"posdrawer", "no"},        // "yes" or "no"
};

const char *const kPortKinds[] = {"usb", "serial", "network"};

} // namespace

QStringList PrinterChoice::names()
{
    QStringList list;
    for (const Named &n : kNames)
        list << QString::fromLatin1(n.name);
    return list;
}

PrinterChoice PrinterChoice::fromTexts(const std::function<QString(const QString &name)> &text)
{
    auto value = [&](const Named &n) {
        const QString given = text ? text(QString::fromLatin1(n.name)).trimmed() : QString();
        return given.isEmpty() ? QString::fromLatin1(n.defaultText) : given;
    };
    auto number = [&](const Named &n, int low, int high) {
        bool ok = false;
        const int v = value(n).toInt(&ok);
        return ok && v >= low && v <= high ? v : QByteArray(n.defaultText).toInt();
    };
    PrinterChoice c;
    c.thermal = value(kNames[0]) == QLatin1String("thermal");
    const QString kind = value(kNames[1]);
    c.port.kind = kind == QLatin1String(kPortKinds[1])   ? PrinterPort::Kind::Serial
                  : kind == QLatin1String(kPortKinds[2]) ? PrinterPort::Kind::Network
                                                         : PrinterPort::Kind::LinePrinter;
    c.port.device = value(kNames[2]);
    c.port.baud = number(kNames[3], 1200, 921600);
    c.port.host = text ? text(QString::fromLatin1(kNames[4].name)).trimmed() : QString();
    c.port.port = number(kNames[5], 1, 65535);
    c.paperMm = value(kNames[6]) == QLatin1String("80") ? 80 : 58;
    c.openDrawer = value(kNames[7]) == QLatin1String("yes");
    return c;
}

QString PrinterChoice::text(const QString &name) const
{
    const QStringList all = names();
    switch (all.indexOf(name)) {
    case 0: return thermal ? QStringLiteral("thermal") : QStringLiteral("system");
    case 1: return QString::fromLatin1(kPortKinds[int(port.kind)]);
    case 2: return port.device;
    case 3: return QString::number(port.baud);
    case 4: return port.host;
    case 5: return QString::number(port.port);
    case 6: return QString::number(paperMm);
    case 7: return openDrawer ? QStringLiteral("yes") : QStringLiteral("no");
    default: return {};
    }
}

QStringList wrapped(const QString &text, int columns)
{
    QStringList parts;
    QString part;
    int used = 0;
    for (const Cell &cell : cells(text)) {
        if (used + cell.width > columns && !part.isEmpty()) {
            // A number or a word is not split: the line breaks at its last blank, which it drops.
            const qsizetype blank = part.lastIndexOf(QLatin1Char(' '));
            const bool atBlank = blank > 0 && cell.character != QLatin1String(" ");
            parts << (atBlank ? part.left(blank) : part);
            part = atBlank ? part.mid(blank + 1) : QString();
            used = gbkWidth(part);
        }
        part += cell.character;
        used += cell.width;
    }
    parts << part;
    return parts;
}

QByteArray escposBytes(const QList<Line> &lines, int columns, bool openDrawer)
{
    QByteArray bytes = escpos::initialise() + escpos::chineseMode();
    for (const Line &line : lines) {
        if (line.title)
            bytes += escpos::bold(true);
        for (const QString &part : wrapped(line.text, columns))
            bytes += escpos::textLine(part);
        if (line.title)
            bytes += escpos::bold(false);
    }
    bytes += escpos::feed(kFeedBeforeCut);
    if (openDrawer)
        bytes += escpos::drawerPulse();
    bytes += escpos::cut();
    return bytes;
}

} // namespace receipt
