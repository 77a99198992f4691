#pragma once

#include <QDialog>

struct AppContext;
class QLineEdit;
class QPushButton;

// "Excel导入数据库" (Texcell): appends every row of the worksheet pemrod of a workbook to the stock
// rows of a chosen database file of this program, all rows or none.
class ExcelImportWindow : public QDialog {
    Q_OBJECT
public:
    ExcelImportWindow(AppContext &ctx, QWidget *parent = nullptr);

    QLineEdit *workbookPath() const { return m_workbookPath; }
    QLineEdit *databasePath() const { return m_databasePath; }
    QPushButton *importButton() const { return m_import; }

    // "打开Excel文件" and "选择数据库": a file dialog; the chosen path goes into its box.
    void chooseWorkbook();
    void chooseDatabase();
    // "Excel自动导入": runs the import and reports how it went. When the rows went into the
    // program's own database, stockRowsChanged is announced so the main grid lists all rows.
    void runImport();

private:
    // The folder a file dialog starts in: that of the box's path, else that of the shop's database.
    QString startFolder(const QString &path) const;
    bool isShopDatabase(const QString &path) const;
    void setBusy(bool busy);

    AppContext &m_ctx;
    QLineEdit *m_workbookPath;
    QLineEdit *m_databasePath;
    QPushButton *m_openWorkbook;
    QPushButton *m_chooseDatabase;
    QPushButton *m_import;
    bool m_busy = false;
};
