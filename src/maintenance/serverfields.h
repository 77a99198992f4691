#pragma once

#include "maintenance/connectionchoice.h"

#include <QWidget>

class Messages;
class QCheckBox;
class QLineEdit;

// The fields that name a server account (主机, 端口, 数据库, 用户), the password, and whether the
// password goes into libpq's password file, as the connection, migration windows share them.
class ServerFields : public QWidget {
    Q_OBJECT
public:
    explicit ServerFields(QWidget *parent = nullptr);

    // Shows the server part of `choice`; the password field starts empty.
    void show(const ConnectionChoice &choice);
    // The server named by the fields (onServer set).
    ConnectionChoice choice() const;
    QString password() const;
    bool savePassword() const;

    // Writes the password into the password file when the person asked for it. False (the person
    // told why) when it could not be written; true when written or not asked for.
    bool storePasswordIfAsked(Messages &messages) const;

    QLineEdit *hostField() const { return m_host; }
    QLineEdit *portField() const { return m_port; }
    QLineEdit *databaseField() const { return m_database; }
    QLineEdit *userField() const { return m_user; }
    QLineEdit *passwordField() const { return m_password; }
    QCheckBox *savePasswordBox() const { return m_save; }

private:
    QLineEdit *m_host = nullptr;
    QLineEdit *m_port = nullptr;
    QLineEdit *m_database = nullptr;
    QLineEdit *m_user = nullptr;
    QLineEdit *m_password = nullptr;
    QCheckBox *m_save = nullptr;
};

// Tries `conninfo`: empty when the server holds this program's shop, otherwise why not, in the
// person's words. `emptyDatabase` is set when the database is there but holds no table at all (a
// shop can be made in it).
QString serverProblem(const QString &conninfo, bool *emptyDatabase = nullptr);
