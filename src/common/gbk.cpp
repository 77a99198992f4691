#include "common/gbk.h"

#include <QStringEncoder>

namespace gbk {

QByteArray characterBytes(QStringView character)
{
    // A fresh encoder each time: once it has failed, an encoder keeps reporting the failure.
    QStringEncoder encoder("GBK");
    QByteArray bytes = encoder.encode(character);
    return encoder.hasError() ? QByteArray() : bytes;
}

} // namespace gbk
