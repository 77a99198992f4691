#include "app/shellcommands.h"

#include "common/desktop.h"
#include "common/messages.h"
#include "common/version.h"

#include <QString>
#include <QStringList>
#include <QUrl>

namespace shellcommands {

void startCalculator(Desktop &desktop)
{
    // A missing calculator is not the shop's problem: the command simply does nothing.
    (void)desktop.startProgram({QStringLiteral("gnome-calculator"), QStringLiteral("kcalc"),
                                QStringLiteral("galculator"), QStringLiteral("mate-calc"),
                                QStringLiteral("qalculate-gtk"), QStringLiteral("qalculate-qt"),
                                QStringLiteral("xcalc")});
}

void startTextEditor(Desktop &desktop)
{
    (void)desktop.startProgram({QStringLiteral("gnome-text-editor"), QStringLiteral("gedit"),
                                QStringLiteral("kate"), QStringLiteral("kwrite"), QStringLiteral("mousepad"),
                                QStringLiteral("pluma"), QStringLiteral("xed"), QStringLiteral("featherpad"),
                                QStringLiteral("leafpad"), QStringLiteral("geany")});
}

void openWebsite(Desktop &desktop)
{
    (void)desktop.openUrl(QUrl(QString::fromUtf8(version::kWebAddress)));
}

QString upgradeText()
{
    return QStringLiteral("当前安装的版本：%1\n\n新版本在官方网站发布：\n%2\n\n是否现在打开官方网站？")
        .arg(version::caption(), QString::fromUtf8(version::kWebAddress));
}

void showUpgradeInfo(Messages &messages, Desktop &desktop)
{
    if (messages.confirmYesNo(QStringLiteral("软件升级"), upgradeText()))
        openWebsite(desktop);
}

} // namespace shellcommands
