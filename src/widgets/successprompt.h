#pragma once

#include <QLabel>
#include <QTimer>

// The raised panel at the main window's top left that reports a save for two seconds. A second
// trigger while it shows replaces the text but does not restart the delay.
class SuccessPrompt : public QLabel {
    Q_OBJECT
public:
    explicit SuccessPrompt(QWidget *parent);
    void show(const QString &text);
    QTimer &timer() { return m_timer; }

private:
    void tick();
    QTimer m_timer;
};
