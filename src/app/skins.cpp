#include "app/skins.h"

#include <QApplication>
#include <QEvent>
#include <QPalette>

namespace skins {
namespace {

struct Scheme {
    const char *name;
    QColor window, base, alternate, text, button, highlight;
};

const Scheme kSchemes[] = {
    {"黑色经典(皮肤)", QColor(58, 58, 62), QColor(40, 40, 44), QColor(50, 50, 55), QColor(235, 235, 235),
     QColor(70, 70, 76), QColor(200, 120, 30)},
    {"蓝色幻想(皮肤)", QColor(214, 228, 247), QColor(250, 252, 255), QColor(232, 240, 252), QColor(20, 30, 60),
     QColor(190, 210, 240), QColor(40, 100, 200)},
    {"梦幻天空(皮肤)", QColor(222, 240, 250), QColor(255, 255, 255), QColor(235, 247, 253), QColor(20, 50, 70),
     QColor(200, 228, 245), QColor(30, 150, 210)},
    {"黑色遐想(皮肤)", QColor(45, 40, 55), QColor(30, 28, 38), QColor(40, 36, 50), QColor(230, 225, 240),
     QColor(60, 54, 74), QColor(130, 90, 200)},
    {"梦想成真(皮肤)", QColor(250, 236, 220), QColor(255, 250, 244), QColor(252, 242, 230), QColor(70, 40, 20),
     QColor(240, 215, 190), QColor(220, 110, 40)},
};

int g_current = -1;
QPalette g_builtIn;
bool g_builtInSaved = false;

QColor mix(const QColor &a, const QColor &b, double share)
{
    return QColor::fromRgbF(float(a.redF() * (1 - share) + b.redF() * share),
                            float(a.greenF() * (1 - share) + b.greenF() * share),
                            float(a.blueF() * (1 - share) + b.blueF() * share));
}

// A whole palette from the scheme's few colours: the bevel shades come from the button and window
// colours, and what cannot be used is drawn halfway between text and background so it still
// looks unavailable.
QPalette paletteOf(const Scheme &s)
{
    QPalette p(s.button, s.window);
    const bool dark = s.window.lightness() < 128;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::WindowText, s.text);
        p.setColor(group, QPalette::Text, s.text);
        p.setColor(group, QPalette::ButtonText, s.text);
        p.setColor(group, QPalette::Base, s.base);
        p.setColor(group, QPalette::AlternateBase, s.alternate);
        p.setColor(group, QPalette::Highlight, s.highlight);
        p.setColor(group, QPalette::HighlightedText, Qt::white);
        p.setColor(group, QPalette::PlaceholderText, mix(s.text, s.base, 0.5));
        p.setColor(group, QPalette::Link, dark ? s.highlight.lighter(150) : s.highlight);
        p.setColor(group, QPalette::BrightText, dark ? QColor(255, 120, 120) : QColor(200, 0, 0));
    }
    const QColor unavailable = mix(s.text, s.window, 0.55);
    p.setColor(QPalette::Disabled, QPalette::WindowText, unavailable);
    p.setColor(QPalette::Disabled, QPalette::Text, unavailable);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, unavailable);
    p.setColor(QPalette::Disabled, QPalette::Base, s.window);
    p.setColor(QPalette::Disabled, QPalette::Highlight, mix(s.highlight, s.window, 0.5));
    p.setColor(QPalette::Disabled, QPalette::HighlightedText, Qt::white);
    return p;
}

} // namespace

QStringList names()
{
    QStringList list;
    for (const Scheme &s : kSchemes)
        list << QString::fromUtf8(s.name);
    return list;
}

void apply(int index)
{
    if (!g_builtInSaved) {
        g_builtIn = QApplication::palette();
        g_builtInSaved = true;
    }
    const bool builtIn = index < 0 || index >= int(std::size(kSchemes));
    QApplication::setPalette(builtIn ? g_builtIn : paletteOf(kSchemes[index]));
    g_current = builtIn ? -1 : index;
    // Qt tells the windows by posted events; deliver them now, so every window, shown or hidden,
    // wears the new colours when this returns.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::ApplicationPaletteChange);
}

int current()
{
    return g_current;
}

} // namespace skins
