#pragma once

#include <QDialog>

struct AppContext;
class QLineEdit;
class QPushButton;
class ServerFields;

// "迁移到服务器": copies the shop from this till's database file into an empty database on a
// server (made a shop first when it holds nothing), compares rows and sums, sets this till to the
// server and asks for the program to start again on it (ShopEvents::restartRequested). The file
// stays as it was. Only the superadministrator moves a shop.
class MigrationWindow : public QDialog {
    Q_OBJECT
public:
    explicit MigrationWindow(AppContext &ctx, QWidget *parent = nullptr);

    ServerFields *serverFields() const { return m_fields; }
    QPushButton *startButton() const { return m_start; }

    // "开始迁移". True when the shop went across and this till was set to the server.
    bool migrate();

private:
    AppContext &m_ctx;
    ServerFields *m_fields = nullptr;
    QPushButton *m_start = nullptr;
};

// "导出到数据文件": writes the shop on the server into a new database file, compared by rows and
// sums before it is kept — a copy to keep, or the way back to a file.
class ExportToFileWindow : public QDialog {
    Q_OBJECT
public:
    explicit ExportToFileWindow(AppContext &ctx, QWidget *parent = nullptr);

    QLineEdit *fileField() const { return m_file; }
    QPushButton *startButton() const { return m_start; }

    // "开始导出". True when the file was written whole.
    bool exportShop();

private:
    void chooseFile();

    AppContext &m_ctx;
    QLineEdit *m_file = nullptr;
    QPushButton *m_start = nullptr;
};
