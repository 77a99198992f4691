#include "widgets/successprompt.h"

#include <QFont>

SuccessPrompt::SuccessPrompt(QWidget *parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("SuccessPrompt"));
    setFixedSize(257, 49);
    move(0, 0);
    setAlignment(Qt::AlignCenter);
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    QFont f(QStringLiteral("宋体"));
    f.setPixelSize(14);
    f.setBold(true);
    setFont(f);
    setAutoFillBackground(true);
    QLabel::hide();
    m_timer.setInterval(2000);
    connect(&m_timer, &QTimer::timeout, this, &SuccessPrompt::tick);
}

void SuccessPrompt::show(const QString &text)
{
    setText(text);
    const QColor hot = palette().color(QPalette::Highlight);
    setStyleSheet(QStringLiteral("QLabel { background: %1; color: white; }").arg(hot.name()));
    QLabel::show();
    raise();
    if (!m_timer.isActive())
        m_timer.start();
}

void SuccessPrompt::tick()
{
    if (isVisible()) {
        m_timer.stop();
        hide();
    }
}
