#pragma once

#include <QRectF>
#include <QString>
#include <vector>

class QPainter;

// A code as a Code 128 barcode, encoded by zint: its bars in module widths, ready to be drawn at
// any size on any device. A code that Code 128 cannot hold is not a symbol but a reason.
class Code128Symbol {
public:
    // Encodes `code`; on refusal the symbol is invalid and error() says why in Chinese.
    static Code128Symbol encode(const QString &code);

    bool isValid() const { return m_error.isEmpty(); }
    const QString &error() const { return m_error; }
    // The symbol's width in modules (narrowest bar widths), quiet zones not included.
    int modules() const { return m_modules; }
    // Draws the bars filling `area` (device coordinates) in the painter's current pen colour,
    // each bar a filled rectangle, so the edges fall where the device can put them.
    void paint(QPainter &painter, const QRectF &area) const;

private:
    QString m_error;
    int m_modules = 0;
    // Bars with x and width in modules, y and height as parts of the symbol's height.
    std::vector<QRectF> m_bars;
};
