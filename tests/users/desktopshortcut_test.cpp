#include "users/desktopshortcut.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

QString lineOf(const QString &text, const QString &key)
{
    for (const QString &line : text.split(u'\n')) {
        if (line.startsWith(key + u'='))
            return line.mid(key.size() + 1);
    }
    return {};
}

// A path with blanks, quotes, a dollar, a percent and a backslash must reach the launcher as
// one word that unescapes to the path itself.
TEST(DesktopShortcut, AwkwardPathsAreQuotedAndEscaped)
{
    const QString text = desktopshortcut::entryText(QStringLiteral("/opt/my shop/\"t\"$x%y\\z"),
                                                    QStringLiteral("/home/店主/shop \\1"));
    EXPECT_EQ(lineOf(text, QStringLiteral("Exec")), QStringLiteral("\"/opt/my shop/\\\\\"t\\\\\"\\\\$x%%y\\\\\\\\z\""));
    EXPECT_EQ(lineOf(text, QStringLiteral("Path")), QStringLiteral("/home/店主/shop \\\\1"));
}

} // namespace
