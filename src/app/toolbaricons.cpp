#include "app/toolbaricons.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

// The drawings live in a resource of the static core library: it is linked in only when asked for.
static void loadDrawings()
{
    Q_INIT_RESOURCE(toolbaricons);
}

namespace toolbaricons {
namespace {

// Where freedesktop icon themes are installed, as the desktop's own programs look for them.
QStringList installedThemeFolders()
{
    return QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                     QStandardPaths::LocateDirectory);
}

bool themeInstalled(const QString &theme)
{
    for (const QString &folder : QIcon::themeSearchPaths()) {
        if (QFileInfo::exists(QDir(folder).filePath(theme + QStringLiteral("/index.theme"))))
            return true;
    }
    return false;
}

// Once per run: the installed theme folders are searched, and the program's theme is used where
// the desktop has none (a bare session reports only the base theme "hicolor", which holds no
// toolbar pictures).
void prepareThemeLookup()
{
    static bool prepared = false;
    if (prepared)
        return;
    prepared = true;
    loadDrawings();
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString &folder : installedThemeFolders()) {
        if (!paths.contains(folder))
            paths << folder;
    }
    QIcon::setThemeSearchPaths(paths);
    const QString desktopTheme = QIcon::themeName();
    const QString ours = QString::fromLatin1(kInstalledTheme);
    if ((desktopTheme.isEmpty() || desktopTheme == QStringLiteral("hicolor")) && themeInstalled(ours))
        QIcon::setThemeName(ours);
}

} // namespace

QIcon icon(const QString &themeName, const QString &drawing)
{
    prepareThemeLookup();
    return QIcon::fromTheme(themeName, QIcon(drawing));
}

} // namespace toolbaricons
