#include "counter/escpos.h"

#include <QStringEncoder>

#include <algorithm>

namespace escpos {
namespace {

constexpr char ESC = 0x1b;
constexpr char FS = 0x1c;
constexpr char GS = 0x1d;

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

} // namespace

QByteArray initialise()
{
    return bytes({ESC, '@'});
}

QByteArray chineseMode()
{
    return bytes({FS, '&'});
}

QByteArray bold(bool on)
{
    return bytes({ESC, 'E', on ? 1 : 0});
}

QByteArray feed(int lines)
{
    return bytes({ESC, 'd', std::clamp(lines, 0, 255)});
}

QByteArray cut()
{
    return bytes({GS, 'V', 66, 0});
}

QByteArray drawerPulse()
{
    return bytes({ESC, 'p', 0, 25, 250});
}

QByteArray textLine(const QString &text)
{
    // A control character in a name or a slogan would be taken as a command: it prints as a blank.
    QString printable = text;
    for (QChar &c : printable) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char(' ');
    }
    QStringEncoder encoder("GB18030");
    QByteArray line = encoder.encode(printable);
    line.append('\n');
    return line;
}

} // namespace escpos
