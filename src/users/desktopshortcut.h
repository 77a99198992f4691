#pragma once

#include <QString>

// The desktop shortcut to the program: a freedesktop launcher file that starts this executable
// with the current working directory, where the database file lives.
namespace desktopshortcut {

// The shortcut's file name, also its caption and description.
QString fileName();

// The launcher text for a program at `program` started in `workingDirectory`.
QString entryText(const QString &program, const QString &workingDirectory);

// Creates or overwrites the shortcut in `desktopFolder` (created when missing) and marks it
// executable. Returns false when it could not be written; nothing else depends on it.
bool write(const QString &desktopFolder, const QString &program, const QString &workingDirectory);

} // namespace desktopshortcut
