#include "app/shellcommands.h"

#include "common/desktop.h"
#include "common/messages.h"
#include "common/version.h"

#include <QString>
#include <QStringList>
#include <QUrl>

namespace shellcommands {

void startCalculator(Desktop &desktop, Messages &messages)
{
    if (!desktop.startProgram({QStringLiteral("gnome-calculator"), QStringLiteral("kcalc"),
                                QStringLiteral("galculator"), QStringLiteral("mate-calc"),
                                QStringLiteral("qalculate-gtk"), QStringLiteral("qalculate-qt"),
                                QStringLiteral("xcalc")}))
        messages.info(QStringLiteral("这台电脑上没有找到计算器程序。\n请安装一个计算器（例如 gnome-calculator 或 galculator）后再试。"));
}

void startTextEditor(Desktop &desktop, Messages &messages)
{
    if (!desktop.startProgram({QStringLiteral("gnome-text-editor"), QStringLiteral("gedit"),
                                QStringLiteral("kate"), QStringLiteral("kwrite"), QStringLiteral("mousepad"),
                                QStringLiteral("pluma"), QStringLiteral("xed"), QStringLiteral("featherpad"),
                                QStringLiteral("leafpad"), QStringLiteral("geany")}))
        messages.info(QStringLiteral("这台电脑上没有找到记事本程序。\n请安装一个文本编辑器（例如 gedit 或 mousepad）后再试。"));
}

void openWebsite(Desktop &desktop, Messages &messages)
{
    const QString address = QString::fromUtf8(version::kWebAddress);
    if (!desktop.openUrl(QUrl(address)))
        messages.info(QStringLiteral("这台电脑上没有可以打开网页的浏览器。\n官方网站的地址是：%1").arg(address));
}

QString upgradeText()
{
    return QStringLiteral("当前安装的版本：%1\n\n新版本在官方网站发布：\n%2\n\n是否现在打开官方网站？")
        .arg(version::caption(), QString::fromUtf8(version::kWebAddress));
}

void showUpgradeInfo(Messages &messages, Desktop &desktop)
{
    if (messages.confirmYesNo(QStringLiteral("软件升级"), upgradeText()))
        openWebsite(desktop, messages);
}

} // namespace shellcommands
