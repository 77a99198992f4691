#pragma once

namespace version {
inline constexpr const char *kTitle = "Tolvane服装销售管理软件";
inline constexpr const char *kVersion = "1.0";
inline constexpr const char *kWebAddress = "https://tolvane.example.org";
} // namespace version
