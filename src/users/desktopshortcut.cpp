#include "users/desktopshortcut.h"

#include "common/version.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace desktopshortcut {

namespace {

// A value of a launcher key: backslash and line breaks are escaped, nothing else changes.
QString escapeValue(const QString &value)
{
    QString out;
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else
            out += c;
    }
    return out;
}

// The program as the one word of an Exec line: inside double quotes, with '"', '`', '$' and '\'
// escaped by a backslash and '%' doubled, so blanks and other characters in the path survive.
QString execWord(const QString &program)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : program) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    quoted += QLatin1Char('"');
    return quoted;
}

} // namespace

QString fileName()
{
    return QString::fromUtf8(version::kTitle) + QStringLiteral(".desktop");
}

QString entryText(const QString &program, const QString &workingDirectory)
{
    const QString title = QString::fromUtf8(version::kTitle);
    QString text;
    text += QStringLiteral("[Desktop Entry]\n");
    text += QStringLiteral("Type=Application\n");
    text += QStringLiteral("Version=1.0\n");
    text += QStringLiteral("Name=") + escapeValue(title) + QLatin1Char('\n');
    text += QStringLiteral("Comment=") + escapeValue(title) + QLatin1Char('\n');
    text += QStringLiteral("Exec=") + escapeValue(execWord(program)) + QLatin1Char('\n');
    text += QStringLiteral("Path=") + escapeValue(workingDirectory) + QLatin1Char('\n');
    text += QStringLiteral("Icon=applications-office\n");
    text += QStringLiteral("Terminal=false\n");
    text += QStringLiteral("Categories=Office;\n");
    return text;
}

bool write(const QString &desktopFolder, const QString &program, const QString &workingDirectory)
{
    if (desktopFolder.isEmpty() || !QDir().mkpath(desktopFolder))
        return false;
    QSaveFile file(QDir(desktopFolder).filePath(fileName()));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(entryText(program, workingDirectory).toUtf8());
    if (!file.commit())
        return false;
    return QFile::setPermissions(file.fileName(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                      QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                                      QFile::ExeOther);
}

} // namespace desktopshortcut
