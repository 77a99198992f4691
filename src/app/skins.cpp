#include "app/skins.h"

#include <QApplication>
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
    if (index < 0 || index >= int(std::size(kSchemes))) {
        QApplication::setPalette(g_builtIn);
        g_current = -1;
        return;
    }
    const Scheme &s = kSchemes[index];
    QPalette p;
    p.setColor(QPalette::Window, s.window);
    p.setColor(QPalette::WindowText, s.text);
    p.setColor(QPalette::Base, s.base);
    p.setColor(QPalette::AlternateBase, s.alternate);
    p.setColor(QPalette::Text, s.text);
    p.setColor(QPalette::Button, s.button);
    p.setColor(QPalette::ButtonText, s.text);
    p.setColor(QPalette::Highlight, s.highlight);
    p.setColor(QPalette::HighlightedText, Qt::white);
    QApplication::setPalette(p);
    g_current = index;
}

int current()
{
    return g_current;
}

} // namespace skins
