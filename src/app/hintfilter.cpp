#include "app/hintfilter.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QPalette>
#include <QPointer>
#include <QProxyStyle>
#include <QToolTip>

namespace {
class NoHintDelayStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *data) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};
} // namespace

HintFilter::HintFilter(QLabel *statusPanel, QObject *parent) : QObject(parent), m_panel(statusPanel) {}

void HintFilter::install(QLabel *statusPanel)
{
    static QPointer<HintFilter> installed;
    if (installed) {
        installed->m_panel = statusPanel;
        return;
    }
    QPalette tips = QToolTip::palette();
    tips.setColor(QPalette::ToolTipBase, QColor(255, 194, 134));
    tips.setColor(QPalette::ToolTipText, Qt::black);
    QToolTip::setPalette(tips);
    QApplication::setStyle(new NoHintDelayStyle);
    installed = new HintFilter(statusPanel, qApp);
    qApp->installEventFilter(installed);
}

bool HintFilter::eventFilter(QObject *watched, QEvent *event)
{
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget)
        return false;
    if (event->type() == QEvent::ToolTip && !widget->toolTip().isEmpty()) {
        const auto *help = static_cast<QHelpEvent *>(event);
        QToolTip::showText(help->globalPos(), widget->toolTip(), widget, {}, 2000);
        return true;
    }
    if (event->type() == QEvent::Enter && m_panel && !widget->toolTip().isEmpty())
        m_panel->setText(widget->toolTip());
    // The hint is of the control under the pointer: it goes when the pointer leaves it.
    if (event->type() == QEvent::Leave && m_panel && !widget->toolTip().isEmpty() &&
        m_panel->text() == widget->toolTip())
        m_panel->clear();
    return false;
}
