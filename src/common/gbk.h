#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// Text in the GBK code page, the one the shop's printed and exported texts are written in.
namespace gbk {

// The GBK bytes of one character (one UTF-16 unit, or a surrogate pair); empty when GBK has no
// code for it.
QByteArray characterBytes(QStringView character);

// The length of the character starting at `at`: 2 for a surrogate pair, otherwise 1.
inline qsizetype characterLength(QStringView text, qsizetype at)
{
    return text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate() ? 2 : 1;
}

} // namespace gbk
