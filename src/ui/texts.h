#pragma once
// Captions and messages of the main window's help menu and web link.

namespace kestrel::texts::ui
{
constexpr const char *HelpMenu = "帮助(&H)";          // menuHelp
constexpr const char *AboutItem = "关于";             // about
constexpr const char *WebCaption = "WEB";             // labWeb
constexpr const char *WebFont = "微软雅黑";           // the font of labWeb
constexpr const char *VersionPrefix = "当前版本为 v"; // followed by the program's version, e.g. 3.0.4
} // namespace kestrel::texts::ui
