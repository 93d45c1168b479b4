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
// The traffic monitor window (mnuMonitor in the maintenance menu).
constexpr const char *MonitorTitle = QT_TRANSLATE_NOOP("kestrel", "通讯监视");
constexpr const char *MonitorFramesTab = QT_TRANSLATE_NOOP("kestrel", "通讯帧");
constexpr const char *MonitorStatsTab = QT_TRANSLATE_NOOP("kestrel", "统计");
constexpr const char *MonitorLogTab = QT_TRANSLATE_NOOP("kestrel", "诊断日志");
constexpr const char *MonitorAddress = QT_TRANSLATE_NOOP("kestrel", "地址：");
constexpr const char *MonitorAllAddresses = QT_TRANSLATE_NOOP("kestrel", "全部");
constexpr const char *MonitorPause = QT_TRANSLATE_NOOP("kestrel", "暂停");
constexpr const char *MonitorContinue = QT_TRANSLATE_NOOP("kestrel", "继续");
constexpr const char *MonitorClear = QT_TRANSLATE_NOOP("kestrel", "清除");
constexpr const char *MonitorExport = QT_TRANSLATE_NOOP("kestrel", "导出");
constexpr const char *MonitorReset = QT_TRANSLATE_NOOP("kestrel", "清零");
constexpr const char *MonitorExportFilter = QT_TRANSLATE_NOOP("kestrel", "文本文件 (*.txt)");
constexpr const char *MonitorExportFailed = QT_TRANSLATE_NOOP("kestrel", "导出失败：");
} // namespace kestrel::texts::ui
// clang-format on
