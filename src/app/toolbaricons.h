#pragma once

#include <QIcon>
#include <QString>

// The pictures of the main window's toolbar: from the desktop's icon theme where it has the
// picture, else the program's own drawing.
namespace toolbaricons {

// The freedesktop theme installed with the program; used when the desktop names no theme of its
// own (a bare X session, the offscreen platform).
inline constexpr const char *kInstalledTheme = "Tango";

// The icon `themeName` of the current icon theme, or the drawing `drawing` of the program's
// resources (":/toolbar/…") when the theme has no such icon.
QIcon icon(const QString &themeName, const QString &drawing);

} // namespace toolbaricons
