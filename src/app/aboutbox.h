#pragma once

#include <QDialog>

// "关于软件...": the product name and the maker's contact lines.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget *parent = nullptr);
};
