#pragma once

#include <QString>

namespace version {
inline constexpr const char *kTitle = "Tolvane服装销售管理软件";
inline constexpr const char *kVersion = "1.0";
inline constexpr const char *kWebAddress = "https://tolvane.example.org";
// The maker's contact line of the support menu and the about box.
inline constexpr const char *kContact = "客服邮箱：support@tolvane.example.org";

// The program's name with its version: the main window's caption, the title of the plain message
// boxes, and the application's display name, which the window system adds after every other
// window's own title ("用户登录 — Tolvane服装销售管理软件 1.0").
inline QString caption()
{
    return QStringLiteral("%1 %2").arg(QString::fromUtf8(kTitle), QString::fromUtf8(kVersion));
}
} // namespace version
