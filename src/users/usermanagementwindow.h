#pragma once

#include <QWidget>

struct AppContext;
class PasswordField;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

// "用户管理—(管理员专用)": adds and deletes users and resets forgotten passwords, once the
// superadministrator's password has been given. Opened through the window opener, not modal.
class UserManagementWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 393;
    static constexpr int kHeight = 152;

    UserManagementWindow(AppContext &ctx, QWidget *parent = nullptr);

    // "登录": checks the superadministrator's password; unlocks the list and the tabs.
    void unlock();
    // "初始化密码" of the first tab.
    void resetPassword();
    // "增加用户".
    void addUser();
    // "删除用户".
    void deleteUser();
    // Lists the user names again, in the order the table holds them.
    void refillUsers();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QWidget *buildResetTab();
    QWidget *buildAddTab();
    QWidget *buildDeleteTab();
    void userPicked(const QString &name);

    AppContext &m_ctx;
    PasswordField *m_adminPassword;
    QPushButton *m_unlockButton;
    QGroupBox *m_listBox;
    QListWidget *m_users;
    QTabWidget *m_tabs;
    QLineEdit *m_resetName = nullptr;
    QLineEdit *m_newName = nullptr;
    QLineEdit *m_deleteName = nullptr;
    bool m_placed = false;
};
