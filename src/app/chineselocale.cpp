#include "app/chineselocale.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <clocale>

std::unique_ptr<QTranslator> installQtChineseTexts(QString *why)
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    const QString name = QStringLiteral("qtbase_zh_CN");
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(name, folder)) {
        if (why)
            *why = QStringLiteral("找不到Qt的中文翻译 %1/%2.qm，对话框按钮将显示为英文").arg(folder, name);
        return nullptr;
    }
    if (!QCoreApplication::installTranslator(translator.get())) {
        if (why)
            *why = QStringLiteral("无法使用Qt的中文翻译 %1/%2.qm").arg(folder, name);
        return nullptr;
    }
    return translator;
}

void useChineseSystemLocale()
{
    const bool wasSet = qEnvironmentVariableIsSet("LC_ALL");
    const QByteArray was = qgetenv("LC_ALL");
    qputenv("LC_ALL", "zh_CN.UTF-8");
    (void)QLocale::system(); // read now, while the environment names Chinese
    if (wasSet)
        qputenv("LC_ALL", was);
    else
        qunsetenv("LC_ALL");
}

void useChineseLocale()
{
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China));
    // Qt took the C library's locale from the desktop when the application was made.
    std::setlocale(LC_NUMERIC, "C");
}
