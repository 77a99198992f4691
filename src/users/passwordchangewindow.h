#pragma once

#include <QWidget>

struct AppContext;
class PasswordField;
class QCheckBox;
class QComboBox;
class QPushButton;

// "更改密码": a user's password is changed after the old one has been given. Opened through the
// window opener, not modal.
class PasswordChangeWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 296;
    static constexpr int kHeight = 160;

    PasswordChangeWindow(AppContext &ctx, QWidget *parent = nullptr);

    // "更改密码".
    void changePassword();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    AppContext &m_ctx;
    QComboBox *m_user;
    PasswordField *m_old;
    PasswordField *m_new;
    PasswordField *m_repeat;
    QPushButton *m_changeButton;
    QCheckBox *m_closeWhenDone;
    bool m_placed = false;
};
