#pragma once

#include <QDialog>

class Messages;
class QLabel;
class QPushButton;
class QRadioButton;
class ServerFields;
class Settings;

// "数据库连接": where this till keeps the shop — 本机数据文件 (data.db in the program's folder) or
// a database on a server. The choice is stored on this computer and used from the next start.
// "测试连接" tries the server named by the fields; the password, when typed, serves that try and
// goes into libpq's password file only when the person ticks it.
class ConnectionWindow : public QDialog {
    Q_OBJECT
public:
    ConnectionWindow(Settings &settings, Messages &messages, QWidget *parent = nullptr);

    // Shown above the choice: why the window opened (a server that could not be reached).
    void setReason(const QString &text);

    QRadioButton *fileChoice() const { return m_file; }
    QRadioButton *serverChoice() const { return m_server; }
    ServerFields *serverFields() const { return m_fields; }
    QPushButton *testButton() const { return m_test; }
    QPushButton *okButton() const { return m_ok; }

    // "测试连接": tells what the server named by the fields holds, or why it cannot be reached.
    void testConnection();
    // "确定": stores the choice (and the password when asked) and closes; stays open when
    // something is missing or could not be stored.
    void accept() override;

private:
    void followChoice();

    Settings &m_settings;
    Messages &m_messages;
    QLabel *m_reason = nullptr;
    QLabel *m_note = nullptr;
    QRadioButton *m_file = nullptr;
    QRadioButton *m_server = nullptr;
    ServerFields *m_fields = nullptr;
    QPushButton *m_test = nullptr;
    QPushButton *m_ok = nullptr;
};
