#include "maintenance/migrationwindow.h"

#include "common/appcontext.h"
#include "common/clock.h"
#include "common/errors.h"
#include "common/messages.h"
#include "common/shopevents.h"
#include "data/database.h"
#include "data/pgconnection.h"
#include "maintenance/connectionchoice.h"
#include "maintenance/safefile.h"
#include "maintenance/serverfields.h"
#include "maintenance/servermigration.h"
#include "widgets/busycursor.h"
#include "widgets/ink.h"
#include "widgets/progressbox.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel *explanation(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    ink::apply(label, ink::Kind::Hint);
    return label;
}

QPushButton *button(const QString &text, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

QString copiedText(const servermigration::Copied &copied)
{
    return QStringLiteral("库存 %1 行、销售记录 %2 行、用户 %3 个、登录日志 %4 条")
        .arg(copied.stockRows)
        .arg(copied.saleLines)
        .arg(copied.users)
        .arg(copied.logins);
}

// Runs the copy with its progress box; false (the person told why) when it did not complete.
bool copyWithProgress(QWidget *owner, Messages &messages, Database &from, Database &to, const QString &label,
                      const QString &failure, servermigration::Copied *copied)
{
    ProgressBox progress(owner, label);
    try {
        *copied = servermigration::copyShop(from, to, [&](long long done, long long total) {
            return progress.tell(done, total);
        });
        return true;
    } catch (const DbError &e) {
        messages.error(failure + QStringLiteral("\n") + e.text());
        return false;
    }
}

} // namespace

MigrationWindow::MigrationWindow(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setWindowTitle(QStringLiteral("迁移到服务器"));
    setObjectName(QStringLiteral("migrationWindow"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(explanation(QStringLiteral("把本机数据文件中的全部数据（库存、销售记录、用户、登录日志）复制到服务器上"
                                                 "一个空的数据库中，核对行数和合计无误后，本机改用服务器。\n"
                                                 "本机数据文件保留不动。迁移前请先关闭其他使用这个数据文件的程序。"),
                                  this));
    m_fields = new ServerFields(this);
    m_fields->show(ConnectionChoice::stored(ctx.settings));
    layout->addWidget(m_fields);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    m_start = button(QStringLiteral("开始迁移"), "startButton", this);
    QPushButton *close = button(QStringLiteral("关闭"), "closeButton", this);
    buttons->addWidget(m_start);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(m_start, &QPushButton::clicked, this, &MigrationWindow::migrate);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

bool MigrationWindow::migrate()
{
    Messages &messages = m_ctx.messages;
    if (!m_ctx.session.isSuperAdmin()) {
        messages.warning(QStringLiteral("只有超级管理员可以迁移数据。"));
        return false;
    }
    if (m_ctx.db.onServer()) {
        messages.warning(QStringLiteral("本机已经在使用服务器上的数据库。"));
        return false;
    }
    ConnectionChoice choice = m_fields->choice();
    if (const QString missing = choice.missing(); !missing.isEmpty()) {
        messages.warning(missing);
        return false;
    }
    const QString address = pgsql::readableAddress(choice.conninfo());
    Database server(ServerAddress{choice.conninfo(m_fields->password())});
    bool empty = false;
    try {
        const WaitCursor hourglass;
        server.open();
    } catch (const EmptyServerDatabaseError &) {
        empty = true;
    } catch (const DbError &e) {
        messages.error(QStringLiteral("没有迁移：") + e.text());
        return false;
    }
    if (!messages.confirmYesNo(windowTitle(),
                               QStringLiteral("把本机的全部数据复制到服务器（%1）？\n完成后程序会重新启动，改用服务器上的数据库。")
                                   .arg(address)))
        return false;
    if (empty) {
        // An empty database becomes a shop first; the copy then puts this shop's users in.
        try {
            const WaitCursor hourglass;
            server.create();
        } catch (const DbError &e) {
            messages.error(QStringLiteral("没有迁移：") + e.text());
            return false;
        }
    }
    servermigration::Copied copied;
    if (!copyWithProgress(this, messages, m_ctx.db, server, QStringLiteral("正在迁移数据……"),
                          QStringLiteral("迁移没有完成，服务器上没有留下这次复制的数据，本机数据文件也没有改动。"), &copied))
        return false;
    server.close();
    choice.onServer = true;
    // The shop is on the server now: this till is set to it before anything else can be sold
    // into the file, and the program starts again on it.
    if (!m_fields->storePasswordIfAsked(messages) || !choice.store(m_ctx.settings, messages)) {
        messages.warning(QStringLiteral("数据已复制到服务器，但本机没能改用服务器。\n"
                                        "请在“设置”—“数据库连接”中选“服务器”，重新启动程序后再继续营业。"));
        return false;
    }
    messages.info(QStringLiteral("迁移完成：%1已复制到服务器（%2）并核对无误。\n本机数据文件 %3 保留不动。\n"
                                 "程序现在重新启动，改用服务器上的数据库。")
                      .arg(copiedText(copied), address, QFileInfo(m_ctx.db.fileName()).fileName()));
    accept();
    emit m_ctx.events.restartRequested();
    return true;
}

ExportToFileWindow::ExportToFileWindow(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setWindowTitle(QStringLiteral("导出到数据文件"));
    setObjectName(QStringLiteral("exportToFileWindow"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(explanation(QStringLiteral("把服务器上的全部数据写入一个新的数据文件，核对行数和合计无误后保存。\n"
                                                 "可作为备份保管；要让一台电脑改回本机数据文件，把它复制为程序文件夹中的 "
                                                 "data.db，并在“数据库连接”中选“本机数据文件”。"),
                                  this));
    auto *fileRow = new QHBoxLayout;
    m_file = new QLineEdit(
        QDir::current().filePath(QStringLiteral("服务器导出-%1.db").arg(ctx.clock.now().toString(QStringLiteral("yyyyMMdd-hhmmss")))),
        this);
    m_file->setObjectName(QStringLiteral("fileField"));
    m_file->setMinimumWidth(360);
    QPushButton *browse = button(QStringLiteral("浏览…"), "browseButton", this);
    fileRow->addWidget(new QLabel(QStringLiteral("数据文件："), this));
    fileRow->addWidget(m_file);
    fileRow->addWidget(browse);
    layout->addLayout(fileRow);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    m_start = button(QStringLiteral("开始导出"), "startButton", this);
    QPushButton *close = button(QStringLiteral("关闭"), "closeButton", this);
    buttons->addWidget(m_start);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(browse, &QPushButton::clicked, this, &ExportToFileWindow::chooseFile);
    connect(m_start, &QPushButton::clicked, this, &ExportToFileWindow::exportShop);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void ExportToFileWindow::chooseFile()
{
    const QString chosen =
        m_ctx.messages.saveFileName(windowTitle(), m_file->text(), QStringLiteral("数据文件 (*.db);;所有文件 (*)"));
    if (!chosen.isEmpty())
        m_file->setText(QDir::toNativeSeparators(chosen));
}

bool ExportToFileWindow::exportShop()
{
    Messages &messages = m_ctx.messages;
    if (!m_ctx.session.isSuperAdmin()) {
        messages.warning(QStringLiteral("只有超级管理员可以导出数据。"));
        return false;
    }
    const QString target = QFileInfo(QDir::fromNativeSeparators(m_file->text().trimmed())).absoluteFilePath();
    if (m_file->text().trimmed().isEmpty()) {
        messages.warning(QStringLiteral("请填写要写入的数据文件。"));
        return false;
    }
    if (QFileInfo(target).isDir()) {
        messages.warning(QStringLiteral("%1 是一个文件夹，请填写文件名。").arg(target));
        return false;
    }
    if (QFileInfo::exists(target) &&
        !messages.confirmYesNo(windowTitle(), QStringLiteral("文件 %1 已存在。是否用导出的数据替换它？").arg(target)))
        return false;
    // The file is made under a name of its own and takes the target's name only when whole.
    QString written;
    try {
        safefile::makeFolderFor(target);
        written = safefile::temporaryNameBeside(target);
        servermigration::Copied copied;
        bool done = false;
        {
            Database file(written);
            {
                const WaitCursor hourglass;
                file.create();
            }
            done = copyWithProgress(this, messages, m_ctx.db, file, QStringLiteral("正在导出数据……"),
                                    QStringLiteral("导出没有完成，没有写出数据文件。"), &copied);
        }
        if (!done) {
            safefile::removeWithJournal(written);
            return false;
        }
        safefile::flush(written);
        safefile::replace(written, target);
        messages.info(QStringLiteral("导出完成：%1已写入 %2 并核对无误。").arg(copiedText(copied), QDir::toNativeSeparators(target)));
        return true;
    } catch (const UserVisibleError &e) {
        if (!written.isEmpty())
            safefile::removeWithJournal(written);
        messages.error(QStringLiteral("导出没有完成：") + e.text());
        return false;
    }
}
