#pragma once

#include <QWidget>

// "使用帮助": a fixed page of usage hints.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget *parent = nullptr);

protected:
    // Opens over the middle of the main window, inside the screen.
    void showEvent(QShowEvent *event) override;
};
