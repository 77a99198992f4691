#include "widgets/ink.h"

#include <QEvent>
#include <QPalette>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace ink {
namespace {

bool isDark(const QColor &background) { return background.lightness() < 128; }

double luminance(const QColor &c)
{
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

// The contrast ratio of two colours as the web's accessibility guidelines measure it (1 to 21).
double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// `wanted`, taken towards black (on a light background) or white (on a dark one) only as far as
// it needs to reach the contrast `least`: a skin's tinted window keeps the colour recognisable.
QColor readable(QColor wanted, const QColor &background, double least)
{
    const QColor toward = isDark(background) ? QColor(Qt::white) : QColor(Qt::black);
    for (int step = 0; step < 10 && contrast(wanted, background) < least; ++step)
        wanted = QColor::fromRgbF(float(wanted.redF() * 0.8 + toward.redF() * 0.2),
                                  float(wanted.greenF() * 0.8 + toward.greenF() * 0.2),
                                  float(wanted.blueF() * 0.8 + toward.blueF() * 0.2));
    return wanted;
}

QColor named(const QColor &background, Kind kind)
{
    const bool dark = isDark(background);
    switch (kind) {
    case Kind::Warning:
        return dark ? QColor(0xFF, 0x80, 0x80) : QColor(0xB0, 0x00, 0x00);
    case Kind::Hint:
        return dark ? QColor(0xB8, 0xC4, 0xD4) : QColor(0x4A, 0x5A, 0x70);
    case Kind::Alarm:
        return dark ? QColor(0xFF, 0x80, 0x80) : QColor(0xFF, 0x00, 0x00);
    case Kind::Caption:
        return dark ? QColor(0x5F, 0xD3, 0xD3) : QColor(0x00, 0x80, 0x80);
    case Kind::Note:
        return dark ? QColor(0x8F, 0xB8, 0xFF) : QColor(0x00, 0x00, 0xFF);
    }
    return plainOn(background);
}

// Keeps a widget's text colour matched to the background it sits on through palette changes.
class Follower : public QObject {
public:
    Follower(QWidget *widget, Kind kind) : QObject(widget), m_widget(widget), m_kind(kind)
    {
        widget->installEventFilter(this);
        recolour();
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_widget &&
            (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange ||
             event->type() == QEvent::ParentChange))
            recolour();
        return false;
    }

private:
    void recolour()
    {
        // The widget sets only its text colour; the window colour is still the one it inherits.
        const QColor wanted = on(m_widget->palette().color(QPalette::Window), m_kind);
        if (m_widget->palette().color(QPalette::WindowText) == wanted)
            return; // also ends the change event that setting it sends back
        QPalette own = m_widget->palette();
        own.setColor(QPalette::WindowText, wanted);
        m_widget->setPalette(own);
    }

    QWidget *m_widget;
    Kind m_kind;
};

} // namespace

QColor on(const QColor &background, Kind kind)
{
    // Marks keep their pure red on a white grid, as large coloured areas need less contrast than
    // words; every text is held to the guidelines' 4.5.
    return readable(named(background, kind), background, kind == Kind::Alarm ? 3.0 : 4.5);
}

QColor plainOn(const QColor &background)
{
    return isDark(background) ? QColor(0xF0, 0xF0, 0xF0) : QColor(0x10, 0x10, 0x10);
}

void apply(QWidget *widget, Kind kind)
{
    new Follower(widget, kind);
}

} // namespace ink
