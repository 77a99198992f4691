#include "stock/excelimportwindow.h"

#include "common/appcontext.h"
#include "common/errors.h"
#include "common/messages.h"
#include "common/shopevents.h"
#include "common/version.h"
#include "data/database.h"
#include "stock/stockimport.h"
#include "stock/workbookreader.h"
#include "workbooks/readerprocess.h"
#include "widgets/ink.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <limits>
#include <memory>

namespace {

// The shop's support contact, on its own line after a failure message.
QString supportContact()
{
    return QStringLiteral("\n技术支持：%1").arg(QLatin1String(version::kWebAddress));
}

QString connectionFailed(const QString &why)
{
    // The shop's database is no Access file: the failure names what it is.
    return QStringLiteral("连接数据库失败！请联系技术客服") + supportContact() + QStringLiteral("\n\n原因：") + why;
}

QString importFailed(const QString &why)
{
    return QStringLiteral("批量EXCEL导入失败！请联系技术客服") + supportContact() + QStringLiteral("\n\n原因：") + why
           + QStringLiteral("\n没有导入任何记录。");
}

// A progress window that appears when an import takes longer than a moment, and lets the person
// stop it. It shows how far through the workbook the reading is, where the reader can tell, and
// the rows read so far.
class ImportProgress {
public:
    explicit ImportProgress(QWidget *parent)
        : m_dialog(QStringLiteral("正在导入……"), QStringLiteral("取消"), 0, 0, parent)
    {
        m_dialog.setObjectName(QStringLiteral("excelImportProgress"));
        m_dialog.setWindowTitle(QStringLiteral("Excel导入"));
        m_dialog.setWindowModality(Qt::WindowModal);
        m_dialog.setAutoClose(false);
        m_dialog.setAutoReset(false);
        m_dialog.setMinimumDuration(std::numeric_limits<int>::max()); // shown by report() instead
        m_dialog.setMinimumWidth(360);
        m_clock.start();
    }

    ReadProgress callback()
    {
        return [this](int rows, int percent) { return report(rows, percent); };
    }

private:
    bool report(int rows, int percent)
    {
        constexpr qint64 kShowAfterMs = 400;
        m_dialog.setLabelText(QStringLiteral("正在导入……已读 %1 行").arg(rows));
        if (percent >= 0) {
            m_dialog.setMaximum(100);
            m_dialog.setValue(percent);
        }
        if (m_dialog.isHidden() && m_clock.elapsed() >= kShowAfterMs)
            m_dialog.show();
        QCoreApplication::processEvents();
        return !m_dialog.wasCanceled();
    }

    QProgressDialog m_dialog;
    QElapsedTimer m_clock;
};

} // namespace

ExcelImportWindow::ExcelImportWindow(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("Texcell"));
    setWindowTitle(QStringLiteral("Excel导入数据库"));

    auto *warning = new QLabel(QStringLiteral("警告：导入前请您务必先备份数据库"), this);
    warning->setObjectName(QStringLiteral("excelImportWarning"));
    QFont bold = warning->font();
    bold.setBold(true);
    bold.setPointSize(bold.pointSize() + 2);
    warning->setFont(bold);
    ink::apply(warning, ink::Kind::Warning);

    m_workbookPath = new QLineEdit(this);
    m_workbookPath->setObjectName(QStringLiteral("excelWorkbookPath"));
    m_openWorkbook = new QPushButton(QStringLiteral("打开Excel文件"), this);
    m_openWorkbook->setObjectName(QStringLiteral("excelOpenWorkbook"));
    m_databasePath = new QLineEdit(this);
    m_databasePath->setObjectName(QStringLiteral("excelDatabasePath"));
    m_chooseDatabase = new QPushButton(QStringLiteral("选择数据库"), this);
    m_chooseDatabase->setObjectName(QStringLiteral("excelChooseDatabase"));

    auto *paths = new QGridLayout;
    paths->addWidget(new QLabel(QStringLiteral("Execl路径："), this), 0, 0);
    paths->addWidget(m_workbookPath, 0, 1);
    paths->addWidget(m_openWorkbook, 0, 2);
    paths->addWidget(new QLabel(QStringLiteral("数据库路径："), this), 1, 0);
    paths->addWidget(m_databasePath, 1, 1);
    paths->addWidget(m_chooseDatabase, 1, 2);

    // What the workbook must look like, so nobody has to guess the column names.
    auto *hint = new QLabel(QStringLiteral("工作簿（.xls、.xlsx、.ods 或 .csv）中的工作表 %1，第一行为列名：%2")
                                .arg(stockimport::sheetName(), stockimport::sheetColumns().join(QLatin1Char(' '))),
                            this);
    hint->setObjectName(QStringLiteral("excelImportHint"));
    hint->setWordWrap(true);
    ink::apply(hint, ink::Kind::Hint);

    m_import = new QPushButton(QStringLiteral("Excel自动导入"), this);
    m_import->setObjectName(QStringLiteral("excelImport"));
    m_import->setIcon(QIcon::fromTheme(QStringLiteral("x-office-spreadsheet"),
                                       style()->standardIcon(QStyle::SP_FileDialogDetailedView)));
    m_import->setIconSize(QSize(32, 32));
    m_import->setMinimumSize(180, 48);
    m_import->setFont(bold);
    m_import->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(warning, 0, Qt::AlignHCenter);
    layout->addSpacing(8);
    layout->addLayout(paths);
    layout->addWidget(hint);
    layout->addSpacing(8);
    layout->addWidget(m_import, 0, Qt::AlignHCenter);
    resize(560, 240);

    connect(m_openWorkbook, &QPushButton::clicked, this, &ExcelImportWindow::chooseWorkbook);
    connect(m_chooseDatabase, &QPushButton::clicked, this, &ExcelImportWindow::chooseDatabase);
    connect(m_import, &QPushButton::clicked, this, &ExcelImportWindow::runImport);
}

QString ExcelImportWindow::startFolder(const QString &path) const
{
    const QFileInfo typed(path.trimmed());
    if (!path.trimmed().isEmpty() && typed.absoluteDir().exists())
        return typed.absolutePath();
    return QFileInfo(m_ctx.db.fileName()).absolutePath();
}

void ExcelImportWindow::chooseWorkbook()
{
    const QString path = m_ctx.messages.openFileName(QStringLiteral("请选择相应的Excel文件"),
                                                     startFolder(m_workbookPath->text()),
                                                     QStringLiteral("Excel (*.xls *.xlsx *.ods *.csv);;所有文件 (*)"));
    if (!path.isEmpty())
        m_workbookPath->setText(QDir::toNativeSeparators(path));
}

void ExcelImportWindow::chooseDatabase()
{
    const QString path = m_ctx.messages.openFileName(QStringLiteral("请选择相应的MDB文件"),
                                                     startFolder(m_databasePath->text()),
                                                     QStringLiteral("数据库 (*.db);;所有文件 (*)"));
    if (!path.isEmpty())
        m_databasePath->setText(QDir::toNativeSeparators(path));
}

bool ExcelImportWindow::isShopDatabase(const QString &path) const
{
    const QString chosen = QFileInfo(path).canonicalFilePath();
    return !chosen.isEmpty() && chosen == QFileInfo(m_ctx.db.fileName()).canonicalFilePath();
}

void ExcelImportWindow::setBusy(bool busy)
{
    m_busy = busy;
    for (QWidget *w : {static_cast<QWidget *>(m_workbookPath), static_cast<QWidget *>(m_databasePath),
                       static_cast<QWidget *>(m_openWorkbook), static_cast<QWidget *>(m_chooseDatabase),
                       static_cast<QWidget *>(m_import)})
        w->setEnabled(!busy);
}

void ExcelImportWindow::runImport()
{
    if (m_busy)
        return;
    const QString workbookPath = m_workbookPath->text().trimmed();
    const QString databasePath = m_databasePath->text().trimmed();
    if (workbookPath.isEmpty() || databasePath.isEmpty()) {
        m_ctx.messages.warning(QStringLiteral("请正确选择相关路径！"));
        return;
    }

    // The rows go through the window's own connection, opened for this import only, unless the
    // chosen file is the shop's database, which is written through its one connection.
    const bool ownDatabase = m_ctx.db.isOpen() && isShopDatabase(databasePath);
    std::unique_ptr<Database> separate;
    if (!ownDatabase) {
        separate = std::make_unique<Database>(databasePath);
        try {
            separate->open();
        } catch (const UserVisibleError &e) {
            m_ctx.messages.warning(connectionFailed(e.text()));
            return;
        }
    }
    Database &target = ownDatabase ? m_ctx.db : *separate;

    setBusy(true);
    int written = 0;
    QString failure;
    bool cancelled = false;
    {
        ImportProgress progress(this);
        try {
            written = stockimport::appendRows(target, [&](SheetReceiver &receiver) {
                workbook::readSheetApart(workbookPath, stockimport::sheetName(), receiver, progress.callback());
            });
        } catch (const ImportCancelled &) {
            cancelled = true;
        } catch (const UserVisibleError &e) {
            failure = e.text();
        } catch (const std::bad_alloc &) {
            failure = QStringLiteral("内存不足，工作簿太大");
        } catch (const std::exception &e) {
            failure = QString::fromLocal8Bit(e.what());
        }
    }
    separate.reset();
    setBusy(false);

    if (cancelled) {
        m_ctx.messages.warning(QStringLiteral("导入已取消，没有导入任何记录。"));
        return;
    }
    if (!failure.isEmpty()) {
        m_ctx.messages.warning(importFailed(failure));
        return;
    }
    // A success is told as a result, with the information icon, not as a warning.
    m_ctx.messages.info(QStringLiteral("批量EXCEL导入成功！请退出在主界面中点全部记录查看")
                           + QStringLiteral("\n共导入 %1 条记录。").arg(written));
    if (ownDatabase)
        emit m_ctx.events.stockRowsChanged();
}
