#pragma once

#include <QDialog>

struct AppContext;

// "用户登录": checks a user name and password against the user table.
class LoginDialog : public QDialog {
    Q_OBJECT
public:
    LoginDialog(AppContext &ctx, QWidget *parent = nullptr);

private:
    AppContext &m_ctx;
};
