#pragma once

#include <QWidget>

struct AppContext;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

// "数据库备份": backs the database file up to a file the user names and restores it from a backup
// or one of the automatic backups. While the window is open the database connection is closed;
// closing the window opens it again, or, when the database cannot be opened, says why and stays
// open. A shop on a server is backed up and restored by the server's tools (serverbackup), its
// automatic backups and kept copies in the working folder.
class BackupWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 345;

    BackupWindow(AppContext &ctx, QWidget *parent = nullptr);

    // The backup path offered when none has been stored: beifen.db in the user's home folder.
    static QString defaultBackupPath();
    // The same for a shop on a server: beifen.dump in the user's home folder.
    static QString defaultServerBackupPath();

    QLineEdit *backupPathField() const { return m_backupPath; }
    QLineEdit *restoreFileField() const { return m_restoreFile; }
    QListWidget *automaticBackupList() const { return m_automatic; }

    // "默认".
    void useDefaultPath();
    // "备份数据库".
    void backUp();
    // "打开备份文件".
    void chooseRestoreFile();
    // "恢复数据库".
    void restore();
    // Lists the automatic backups again, newest first.
    void refillAutomaticBackups();

signals:
    // The window closed with the database open again.
    void closedWithDatabaseOpen();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *buildBackupSection(QWidget *parent);
    QWidget *buildRestoreSection(QWidget *parent);
    QWidget *buildAutomaticSection(QWidget *parent);
    QString defaultPath() const;
    // The database file; for a shop on a server serverbackup::placeholderFile() in the working
    // folder, beside which its automatic backups and kept copies lie.
    QString databaseFile() const;
    // A path typed by the user; a relative one lies in the database file's folder.
    QString resolved(const QString &path) const;
    void storeBackupPath(const QString &path);
    bool reopenDatabase();

    AppContext &m_ctx;
    QLineEdit *m_backupPath = nullptr;
    QLineEdit *m_restoreFile = nullptr;
    QListWidget *m_automatic = nullptr;
    bool m_restored = false; // a backup took the database's place while the window was open
    QWidget *m_restoreSection = nullptr;   // disabled for every user but the superadministrator
    QWidget *m_automaticSection = nullptr; // its backups are restored by a double click: the same
    bool m_placed = false;
    bool m_saveFailureShown = false;
};
