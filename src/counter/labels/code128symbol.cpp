#include "counter/labels/code128symbol.h"

#include <QPainter>
#include <memory>
#include <zint.h>

namespace {

struct SymbolDeleter {
    void operator()(zint_symbol *symbol) const { ZBarcode_Delete(symbol); }
};

QString refusal(int result, const char *engineText)
{
    switch (result) {
    case ZINT_ERROR_TOO_LONG:
        return QStringLiteral("编码太长，条码容纳不下");
    case ZINT_ERROR_INVALID_DATA:
        return QStringLiteral("编码含有条码（Code 128）不能表示的字符（如汉字）");
    default:
        return QStringLiteral("无法生成条码（%1）").arg(QString::fromUtf8(engineText));
    }
}

} // namespace

Code128Symbol Code128Symbol::encode(const QString &code)
{
    Code128Symbol symbol;
    if (code.isEmpty()) {
        symbol.m_error = QStringLiteral("编码为空");
        return symbol;
    }
    std::unique_ptr<zint_symbol, SymbolDeleter> z(ZBarcode_Create());
    if (!z) {
        symbol.m_error = QStringLiteral("无法生成条码（内存不足）");
        return symbol;
    }
    z->symbology = BARCODE_CODE128;
    z->input_mode = UNICODE_MODE; // the text as UTF-8; only what ISO 8859-1 holds is accepted
    z->show_hrt = 0;              // the label prints the code under the bars in its own font
    const QByteArray utf8 = code.toUtf8();
    const int result = ZBarcode_Encode_and_Buffer_Vector(z.get(), reinterpret_cast<const unsigned char *>(utf8.constData()),
                                                         int(utf8.size()), 0);
    if (result >= ZINT_ERROR) {
        symbol.m_error = refusal(result, z->errtxt);
        return symbol;
    }
    const zint_vector *vector = z->vector;
    if (!vector || vector->width <= 0 || vector->height <= 0 || z->width <= 0) {
        symbol.m_error = QStringLiteral("无法生成条码（条码为空）");
        return symbol;
    }
    symbol.m_modules = z->width;
    const double unitsPerModule = vector->width / z->width;
    for (const zint_vector_rect *rect = vector->rectangles; rect; rect = rect->next) {
        symbol.m_bars.emplace_back(rect->x / unitsPerModule, rect->y / vector->height, rect->width / unitsPerModule,
                                   rect->height / vector->height);
    }
    return symbol;
}

void Code128Symbol::paint(QPainter &painter, const QRectF &area) const
{
    const double moduleWidth = area.width() / m_modules;
    const QBrush ink = painter.pen().brush();
    for (const QRectF &bar : m_bars) {
        painter.fillRect(QRectF(area.left() + bar.x() * moduleWidth, area.top() + bar.y() * area.height(),
                                bar.width() * moduleWidth, bar.height() * area.height()),
                         ink);
    }
}
