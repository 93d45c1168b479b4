#pragma once
// Captions and messages of the main window's help menu and web link.

namespace kestrel::texts::ui
{
constexpr const char *HelpMenu = "帮助(&H)";          // menuHelp
constexpr const char *AboutItem = "关于";             // about
constexpr const char *WebCaption = "WEB";             // labWeb
constexpr const char *WebFont = "微软雅黑";           // the font of labWeb
constexpr const char *VersionPrefix = "当前版本为 v"; // followed by the program's version, e.g. 3.0.4
// The traffic monitor window (mnuMonitor in the maintenance menu).
constexpr const char *MonitorTitle = "通讯监视";
constexpr const char *MonitorFramesTab = "通讯帧";
constexpr const char *MonitorStatsTab = "统计";
constexpr const char *MonitorLogTab = "诊断日志";
constexpr const char *MonitorAddress = "地址：";
constexpr const char *MonitorAllAddresses = "全部";
constexpr const char *MonitorPause = "暂停";
constexpr const char *MonitorContinue = "继续";
constexpr const char *MonitorClear = "清除";
constexpr const char *MonitorExport = "导出";
constexpr const char *MonitorReset = "清零";
constexpr const char *MonitorExportFilter = "文本文件 (*.txt)";
constexpr const char *MonitorExportFailed = "导出失败：";
} // namespace kestrel::texts::ui
