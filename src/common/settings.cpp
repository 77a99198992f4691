#include "common/settings.h"

#include "common/messages.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <utility>

Settings::Settings(QString folder) : m_folder(std::move(folder)) {}

QString Settings::defaultFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("brelmoss"));
}

QString Settings::fileName() const
{
    return QDir(m_folder).filePath(QStringLiteral("jxc.ini"));
}

bool Settings::exists() const
{
    return QFileInfo::exists(fileName());
}

QString Settings::read(const QString &name) const
{
    if (const auto unstored = m_unstored.constFind(name); unstored != m_unstored.cend())
        return *unstored;
    if (!exists())
        return {};
    const QSettings store(fileName(), QSettings::IniFormat);
    return store.value(name).toString();
}

bool Settings::write(const QString &name, const QString &value)
{
    const bool stored = store(name, value);
    if (stored)
        m_unstored.remove(name);
    else
        m_unstored.insert(name, value);
    return stored;
}

bool Settings::firstFailureToTell()
{
    return !std::exchange(m_failureTold, true);
}

bool Settings::store(const QString &name, const QString &value)
{
    if (!QDir().mkpath(m_folder))
        return false;
    QSettings store(fileName(), QSettings::IniFormat);
    // A value the file holds already is not written again: rewriting the file (lock file,
    // temporary file, rename) costs as much as the transaction of the sale that stores its order
    // counter, and most sales store the counter unchanged.
    if (store.status() == QSettings::NoError && store.contains(name) && store.value(name).toString() == value)
        return true;
    store.setValue(name, value);
    store.sync();
    return store.status() == QSettings::NoError;
}

bool storeSetting(Settings &settings, Messages &messages, const QString &name, const QString &value)
{
    if (settings.write(name, value))
        return true;
    if (settings.firstFailureToTell())
        messages.error(QStringLiteral("无法写入设置文件 %1（%2 没有保存）。\n本次运行中的设置仍然有效，但不会保存到下次。")
                           .arg(settings.fileName(), name));
    return false;
}
