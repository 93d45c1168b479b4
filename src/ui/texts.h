#pragma once
#include <QtGlobal>
// clang-format off
// Captions and messages of the main window's help menu and web link.

namespace kestrel::texts::ui
{
constexpr const char *HelpMenu = QT_TRANSLATE_NOOP("kestrel", "帮助(&H)");          // menuHelp
constexpr const char *AboutItem = QT_TRANSLATE_NOOP("kestrel", "关于");             // about
constexpr const char *WebCaption = QT_TRANSLATE_NOOP("kestrel", "WEB");             // labWeb
constexpr const char *WebFont = QT_TRANSLATE_NOOP("kestrel", "微软雅黑");           // the font of labWeb
constexpr const char *VersionPrefix = QT_TRANSLATE_NOOP("kestrel", "当前版本为 v"); // followed by the program's version, e.g. 3.0.4
} // namespace kestrel::texts::ui
// clang-format on
