#pragma once

#include <QDialog>

struct AppContext;
class QComboBox;
class QLineEdit;
class QPushButton;

// "用户登录": checks a user name and password against the user table. A successful login records
// itself in the login log, makes the user this session's, announces it (the main window then
// restores its grid and restricts what the user may not see) and closes the window; closing it
// without a success leaves the session without a login, which ends the program.
class LoginDialog : public QDialog {
    Q_OBJECT
public:
    LoginDialog(AppContext &ctx, QWidget *parent = nullptr);

    QComboBox *userList() const { return m_userList; }
    QLineEdit *passwordField() const { return m_password; }
    QPushButton *loginButton() const { return m_loginButton; }
    // True once a login has succeeded.
    bool succeeded() const { return m_succeeded; }

    // "登 录".
    void logIn();

signals:
    // A user has logged in: the session holds the name and the login number.
    void loggedIn();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void buildControls();
    // True when exactly one user row has this name and password (see usertable::matchingRow).
    bool credentialsMatch(const QString &user, const QString &password);
    // Adds the login log row and makes it this session's login.
    void recordLogin(const QString &user);

    AppContext &m_ctx;
    QComboBox *m_userList;
    QLineEdit *m_password;
    QPushButton *m_loginButton;
    bool m_succeeded = false;
};
