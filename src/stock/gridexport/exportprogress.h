#pragma once

#include <QFrame>

class QProgressBar;

// The small borderless box shown in the middle of the screen while rows are exported: a bold
// "正在导出数据，请稍候......" over a blue bar that counts the rows written.
class ExportProgress : public QFrame {
    Q_OBJECT
public:
    ExportProgress(int rows, QWidget *parent = nullptr);

    // Shows the box centred on the screen and draws it at once.
    void start();
    // Moves the bar to `rows` written; the box is drawn again only when the bar visibly moves.
    void advance(int rows);
    QProgressBar *bar() const { return m_bar; }

private:
    QProgressBar *m_bar;
    int m_shownPercent = -1;
};
