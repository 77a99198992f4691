#include "stock/gridexport/exportprogress.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

ExportProgress::ExportProgress(int rows, QWidget *parent)
    : QFrame(parent, Qt::Dialog | Qt::FramelessWindowHint), m_bar(new QProgressBar(this))
{
    setObjectName(QStringLiteral("exportProgress"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setFixedSize(300, 100);
    QFont font(QStringLiteral("宋体"));
    font.setPointSize(9);
    setFont(font);
    auto *label = new QLabel(QStringLiteral("正在导出数据，请稍候......"), this);
    QFont bold = font;
    bold.setBold(true);
    label->setFont(bold);
    label->setAlignment(Qt::AlignCenter);
    m_bar->setRange(0, std::max(rows, 1));
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    m_bar->setStyleSheet(QStringLiteral("QProgressBar { border: 1px solid gray; background: white; }"
                                        "QProgressBar::chunk { background: #0000ff; }"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 16);
    layout->addWidget(label);
    layout->addWidget(m_bar);
}

void ExportProgress::start()
{
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    show();
    raise();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ExportProgress::advance(int rows)
{
    m_bar->setValue(rows);
    const int percent = int(qint64(rows) * 100 / std::max(m_bar->maximum(), 1));
    if (percent != m_shownPercent) {
        m_shownPercent = percent;
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}
