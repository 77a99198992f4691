#pragma once

#include <QObject>
#include <QPointer>

class QLabel;

// Program-wide hints: shown at once, for 2000 ms, on a light orange background; the hint of the
// control under the mouse is also written into a status bar panel.
class HintFilter : public QObject {
    Q_OBJECT
public:
    explicit HintFilter(QLabel *statusPanel, QObject *parent = nullptr);
    // Sets the hint timing and colour for the whole application; hints go to `statusPanel` from now on.
    static void install(QLabel *statusPanel);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QLabel> m_panel; // a later main window (tests make several) brings its own
};
