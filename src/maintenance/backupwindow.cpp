#include "maintenance/backupwindow.h"

#include "common/appcontext.h"
#include "common/clock.h"
#include "common/errors.h"
#include "common/messages.h"
#include "common/settings.h"
#include "common/shopevents.h"
#include "data/database.h"
#include "data/datamodule.h"
#include "maintenance/automaticbackups.h"
#include "maintenance/databasecopy.h"
#include "maintenance/restore.h"
#include "maintenance/safefile.h"
#include "maintenance/serverbackup.h"
#include "widgets/windowplacement.h"
#include "widgets/ink.h"
#include "widgets/progressbox.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace {

const QString kSaveSetting = QStringLiteral("save");
const QString kBackupFailed = QStringLiteral("数据库备份失败！");
const QString kRestoreFailed = QStringLiteral("数据库恢复失败！");
const QString kOnlySuperAdmin = QStringLiteral("只有超级管理员可以恢复数据库。");

// The progress of a copy, told to its box.
CopyProgress told(ProgressBox &box)
{
    return [&box](int done, int total) { return box.tell(done, total); };
}

QLabel *warningLine(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    ink::apply(label, ink::Kind::Warning);
    return label;
}

QPushButton *button(const QString &text, const QString &name, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

} // namespace

BackupWindow::BackupWindow(AppContext &ctx, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      m_ctx(ctx)
{
    setObjectName(QStringLiteral("Trepair"));
    setWindowTitle(QStringLiteral("数据库备份"));
    auto *title = new QLabel(QStringLiteral("数据库维护备份"), this);
    title->setObjectName(QStringLiteral("titleStrip"));
    title->setAlignment(Qt::AlignCenter);
    // Its own dark text on its own light strip, whatever the skin's colours.
    title->setStyleSheet(QStringLiteral("font-weight: bold; padding: 3px; border-bottom: 1px solid #9aa8b8; color: #1a2430;"
                                        "background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f4f8fc,"
                                        " stop:1 #dde6f0);"));

    // Every section in view at once: the window is as large as they need.
    auto *sections = new QVBoxLayout;
    sections->setContentsMargins(8, 6, 8, 8);
    sections->setSpacing(10);
    sections->addWidget(buildBackupSection(this));
    m_restoreSection = buildRestoreSection(this);
    sections->addWidget(m_restoreSection);
    m_automaticSection = buildAutomaticSection(this);
    sections->addWidget(m_automaticSection);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(title);
    layout->addLayout(sections);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumWidth(kWidth);

    connect(m_backupPath, &QLineEdit::textChanged, this, &BackupWindow::storeBackupPath);
}

QWidget *BackupWindow::buildBackupSection(QWidget *parent)
{
    auto *section = new QWidget(parent);
    auto *grid = new QGridLayout(section);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(3);
    grid->addWidget(new QLabel(QStringLiteral("备份数据的目录:"), section), 0, 0);
    auto *defaultLink = new QLabel(QStringLiteral("<a href=\"default\" style=\"color: blue;\">默认</a>"), section);
    defaultLink->setObjectName(QStringLiteral("defaultLink"));
    defaultLink->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    defaultLink->setCursor(Qt::PointingHandCursor);
    grid->addWidget(defaultLink, 0, 1);
    m_backupPath = new QLineEdit(defaultPath(), section);
    m_backupPath->setObjectName(QStringLiteral("backupPath"));
    grid->addWidget(m_backupPath, 1, 0, 1, 2);
    QPushButton *backUpButton = button(QStringLiteral("备份数据库"), QStringLiteral("backupButton"), section);
    grid->addWidget(backUpButton, 2, 1);
    grid->addWidget(warningLine(QStringLiteral("温馨提示：定期备份数据，维护数据安全！"), section), 3, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    connect(defaultLink, &QLabel::linkActivated, this, &BackupWindow::useDefaultPath);
    connect(backUpButton, &QPushButton::clicked, this, &BackupWindow::backUp);
    return section;
}

QWidget *BackupWindow::buildRestoreSection(QWidget *parent)
{
    auto *section = new QWidget(parent);
    auto *grid = new QGridLayout(section);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(3);
    // A restore looks, by default, where a backup goes by default.
    m_restoreFile = new QLineEdit(defaultPath(), section);
    m_restoreFile->setObjectName(QStringLiteral("restoreFile"));
    grid->addWidget(m_restoreFile, 0, 0, 1, 2);
    QPushButton *openButton = button(QStringLiteral("打开备份文件"), QStringLiteral("openButton"), section);
    QPushButton *restoreButton = button(QStringLiteral("恢复数据库"), QStringLiteral("restoreButton"), section);
    grid->addWidget(openButton, 1, 0, Qt::AlignRight);
    grid->addWidget(restoreButton, 1, 1);
    grid->addWidget(warningLine(QStringLiteral("警告：恢复数据库功能，只有当目前使用的数据库损坏或丢失时才使用，"
                                               "否则旧数据库会覆盖当前的最新数据库，造成信息丢失。"),
                                section),
                    2, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    connect(openButton, &QPushButton::clicked, this, &BackupWindow::chooseRestoreFile);
    connect(restoreButton, &QPushButton::clicked, this, &BackupWindow::restore);
    return section;
}

QWidget *BackupWindow::buildAutomaticSection(QWidget *parent)
{
    auto *section = new QWidget(parent);
    auto *layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);
    auto *caption = new QLabel(QStringLiteral("自动备份（每次正常退出程序时保存，保留最近%1份）：\n"
                                              "双击一份备份，就用它恢复数据库。")
                                   .arg(automaticbackups::kKept),
                               section);
    caption->setWordWrap(true);
    layout->addWidget(caption);
    m_automatic = new QListWidget(section);
    m_automatic->setObjectName(QStringLiteral("automaticBackups"));
    m_automatic->setFixedHeight(128);
    layout->addWidget(m_automatic);
    auto pick = [this](QListWidgetItem *item) { m_restoreFile->setText(item->data(Qt::UserRole).toString()); };
    connect(m_automatic, &QListWidget::itemClicked, this, pick);
    connect(m_automatic, &QListWidget::itemActivated, this, [this, pick](QListWidgetItem *item) {
        pick(item);
        restore();
    });
    return section;
}

QString BackupWindow::defaultBackupPath()
{
    return QDir::toNativeSeparators(QDir::home().filePath(QStringLiteral("beifen.db")));
}

QString BackupWindow::defaultServerBackupPath()
{
    return QDir::toNativeSeparators(QDir::home().filePath(QStringLiteral("beifen.") + QLatin1String(serverbackup::kSuffix)));
}

QString BackupWindow::defaultPath() const
{
    return m_ctx.db.onServer() ? defaultServerBackupPath() : defaultBackupPath();
}

QString BackupWindow::databaseFile() const
{
    // A shop on a server keeps its automatic backups and kept copies in the working folder.
    if (m_ctx.db.onServer())
        return serverbackup::placeholderFile(QDir::currentPath());
    return QFileInfo(m_ctx.db.fileName()).absoluteFilePath();
}

QString BackupWindow::resolved(const QString &path) const
{
    return QFileInfo(databaseFile()).absoluteDir().absoluteFilePath(QDir::fromNativeSeparators(path.trimmed()));
}

void BackupWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    // Nothing may use the file while it is copied. A shop on a server is closed likewise, though
    // the other tills go on selling: the main window is hidden meanwhile, and after a restore the
    // connection opened anew makes the program's triggers on the restored tables again.
    m_ctx.data.closeConnection();
    if (m_placed)
        return;
    m_placed = true;
    centreOnScreen(this);
    const QString stored = m_ctx.settings.exists() ? m_ctx.settings.read(kSaveSetting) : QString();
    if (!stored.isEmpty()) {
        m_backupPath->setText(stored);
        m_restoreFile->setText(stored);
    }
    refillAutomaticBackups();
    // A clerk may back up; putting an older file in the shop's place is the superadministrator's.
    const bool mayRestore = m_ctx.session.isSuperAdmin();
    m_restoreSection->setEnabled(mayRestore);
    m_automaticSection->setEnabled(mayRestore);
    m_restoreSection->setToolTip(mayRestore ? QString() : kOnlySuperAdmin);
    m_automaticSection->setToolTip(m_restoreSection->toolTip());
}

void BackupWindow::storeBackupPath(const QString &path)
{
    // A store that cannot be written is reported once, not at every key.
    if (m_saveFailureShown)
        m_ctx.settings.write(kSaveSetting, path);
    else
        m_saveFailureShown = !storeSetting(m_ctx.settings, m_ctx.messages, kSaveSetting, path);
}

void BackupWindow::useDefaultPath()
{
    m_backupPath->setText(defaultPath());
}

void BackupWindow::backUp()
{
    const QString typed = m_backupPath->text().trimmed();
    const QString target = resolved(typed);
    const QString shown = QDir::toNativeSeparators(target);
    QString why;
    if (typed.isEmpty())
        why = QStringLiteral("请填写备份文件的路径");
    else if (QFileInfo(target).isDir())
        why = QStringLiteral("%1 是一个文件夹，请填写备份文件的完整路径").arg(shown);
    else if (safefile::sameFile(target, databaseFile()))
        why = QStringLiteral("不能备份到正在使用的数据库文件 %1 上").arg(shown);
    if (!why.isEmpty()) {
        m_ctx.messages.info(kBackupFailed + QLatin1Char('\n') + why);
        return;
    }
    if (QFileInfo::exists(target) &&
        !m_ctx.messages.confirmYesNo(QStringLiteral("确认文件替换"),
                                     QStringLiteral("文件 %1 已经存在。\n要用这次的备份替换它吗？").arg(shown))) {
        m_ctx.messages.info(kBackupFailed);
        return;
    }
    try {
        ProgressBox progress(this, QStringLiteral("正在备份数据库……"));
        const bool done = m_ctx.db.onServer() ? serverbackup::dump(m_ctx.db.fileName(), target, told(progress))
                                              : databasecopy::copy(databaseFile(), target, told(progress));
        if (!done) {
            m_ctx.messages.info(kBackupFailed);
            return;
        }
    } catch (const UserVisibleError &e) {
        m_ctx.messages.info(kBackupFailed + QLatin1Char('\n') + e.text());
        return;
    }
    m_ctx.messages.info(QStringLiteral("数据库备份成功！"));
}

void BackupWindow::chooseRestoreFile()
{
    const QString current = resolved(m_restoreFile->text());
    const QString chosen = m_ctx.messages.openFileName(QStringLiteral("打开备份文件"), QFileInfo(current).absolutePath(),
                                                       m_ctx.db.onServer()
                                                           ? QStringLiteral("数据库备份 (*.dump);;所有文件 (*)")
                                                           : QStringLiteral("数据库文件 (*.db);;所有文件 (*)"));
    // A cancelled dialog leaves the field as it was.
    if (!chosen.isEmpty())
        m_restoreFile->setText(QDir::toNativeSeparators(chosen));
}

void BackupWindow::restore()
{
    if (!m_ctx.session.isSuperAdmin()) {
        m_ctx.messages.info(kOnlySuperAdmin);
        return;
    }
    const QString typed = m_restoreFile->text().trimmed();
    const QString backup = resolved(typed);
    if (typed.isEmpty() || !QFileInfo(backup).isFile()) {
        m_ctx.messages.info(QStringLiteral("备份数据库没找到!"));
        return;
    }
    const bool onServer = m_ctx.db.onServer();
    const QString why = onServer ? serverbackup::problem(backup, m_ctx.db.fileName())
                                 : restore::problem(backup, databaseFile());
    if (!why.isEmpty()) {
        m_ctx.messages.info(kRestoreFailed + QLatin1Char('\n') + why);
        return;
    }
    const bool hasCurrent = onServer || QFileInfo::exists(databaseFile());
    const QString keepAs = restore::keptName(databaseFile(), m_ctx.clock.now());
    QString question = onServer ? QStringLiteral("确实要用 %1 恢复服务器上的数据库吗？\n服务器上当前的数据会被替换")
                                      .arg(QDir::toNativeSeparators(backup))
                                : QStringLiteral("确实要用 %1 恢复数据库吗？\n当前的数据库 %2 会被替换")
                                      .arg(QDir::toNativeSeparators(backup), QFileInfo(databaseFile()).fileName());
    question += hasCurrent ? QStringLiteral("，替换前先保存为 %1。").arg(QFileInfo(keepAs).fileName())
                           : QStringLiteral("。");
    if (!m_ctx.messages.confirmYesNo(QStringLiteral("确认文件替换"), question)) {
        m_ctx.messages.info(kRestoreFailed);
        return;
    }
    try {
        ProgressBox progress(this, QStringLiteral("正在恢复数据库……"));
        const bool done = onServer
                              ? serverbackup::replaceDatabase(backup, m_ctx.db.fileName(), keepAs, told(progress))
                              : restore::replaceDatabase(backup, databaseFile(), keepAs, told(progress));
        if (!done) {
            m_ctx.messages.info(kRestoreFailed);
            return;
        }
    } catch (const UserVisibleError &e) {
        m_ctx.messages.info(kRestoreFailed + QLatin1Char('\n') + e.text());
        return;
    }
    m_restored = true;
    QString done = QStringLiteral("数据库恢复成功！");
    if (hasCurrent)
        done += QStringLiteral("\n原来的数据库已保存为 %1").arg(QDir::toNativeSeparators(keepAs));
    m_ctx.messages.info(done);
}

void BackupWindow::refillAutomaticBackups()
{
    m_automatic->clear();
    for (const QFileInfo &file : automaticbackups::list(databaseFile())) {
        const QString when = automaticbackups::writtenAt(file).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        auto *item = new QListWidgetItem(
            QStringLiteral("%1    %2 KB").arg(when).arg((file.size() + 1023) / 1024), m_automatic);
        item->setData(Qt::UserRole, QDir::toNativeSeparators(file.absoluteFilePath()));
        item->setToolTip(QDir::toNativeSeparators(file.absoluteFilePath()));
    }
}

bool BackupWindow::reopenDatabase()
{
    try {
        m_ctx.data.reopenConnection();
        m_ctx.data.openTables();
        return true;
    } catch (const UserVisibleError &e) {
        m_ctx.data.closeConnection();
        m_ctx.messages.error(QStringLiteral("数据库无法打开：%1\n\n主窗口要等数据库能打开后才会显示。"
                                            "请在本窗口恢复一份完好的备份（例如下面列出的自动备份），然后再关闭本窗口。")
                                 .arg(e.text()));
        return false;
    }
}

void BackupWindow::closeEvent(QCloseEvent *event)
{
    if (!reopenDatabase()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
    if (std::exchange(m_restored, false))
        emit m_ctx.events.databaseRestored();
    emit m_ctx.events.databaseReopened();
    emit closedWithDatabaseOpen();
}
