#pragma once

#include <QElapsedTimer>
#include <QString>
#include <memory>

class QProgressDialog;

// While a long print is laid out: the hourglass at once and, from a fifth of a second on, a
// progress box with "取消". Lives as long as the work.
class PrintProgress {
public:
    explicit PrintProgress(QString label);
    ~PrintProgress();
    PrintProgress(const PrintProgress &) = delete;
    PrintProgress &operator=(const PrintProgress &) = delete;

    // `done` of `total` steps are done; false once the user has pressed "取消".
    bool advance(int done, int total);

private:
    QString m_label;
    QElapsedTimer m_clock;
    qint64 m_lastUpdate = 0;
    std::unique_ptr<QProgressDialog> m_dialog;
};
