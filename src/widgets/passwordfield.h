#pragma once

#include <QLineEdit>

// A password field: at most ten characters, shown as "*", and only the letters A to Z, a to z
// and the digits can be typed or pasted; any other key is discarded.
class PasswordField : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int kMaxLength = 10;
    explicit PasswordField(QWidget *parent = nullptr);
};
