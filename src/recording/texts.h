#pragma once
#include <QtGlobal>
// clang-format off
// Messages of the record data base, the reading log and the maintenance commands.
// Placeholders %1, %2 are filled with QString::arg.

namespace kestrel::texts::recording {

// "数据库文件 <path> 无法打开：<reason>"
constexpr const char *DbCannotOpen = QT_TRANSLATE_NOOP("kestrel", "数据库文件 %1 无法打开：%2");
// "数据库文件 <path> 操作失败：<reason>"
constexpr const char *DbFailed = QT_TRANSLATE_NOOP("kestrel", "数据库文件 %1 操作失败：%2");

// A shared reading log on a PostgreSQL server: its address and the reason.
constexpr const char *DbServerCannotOpen = QT_TRANSLATE_NOOP("kestrel", "数据库 %1 无法连接：%2");
constexpr const char *DbServerFailed = QT_TRANSLATE_NOOP("kestrel", "数据库 %1 操作失败：%2");
constexpr const char *ReasonNoServerDriver = QT_TRANSLATE_NOOP("kestrel", "缺少 PostgreSQL 数据库驱动（软件包 libqt6sql6-psql）。");
constexpr const char *ReasonServerGone = QT_TRANSLATE_NOOP("kestrel", "与数据库服务器的连接已断开。");
constexpr const char *ReasonServerUnreachable = QT_TRANSLATE_NOOP("kestrel", "数据库服务器没有应答。");
constexpr const char *ReasonBadUrl = QT_TRANSLATE_NOOP("kestrel", "数据库地址“%1”无效，应为 postgresql://用户@主机[:端口]/数据库。");

// Reasons for a file that cannot be opened.
constexpr const char *ReasonAccessFormat =
    QT_TRANSLATE_NOOP("kestrel", "这是旧版 Access（Jet/ACE）格式的数据库，本程序不能读取。请将该文件移走或改名，程序会新建一个空数据库。");
constexpr const char *ReasonNotDatabase = QT_TRANSLATE_NOOP("kestrel", "该文件不是本程序的数据库文件（SQLite 格式）。");
constexpr const char *ReasonNotReadable = QT_TRANSLATE_NOOP("kestrel", "没有读取该文件的权限。");
constexpr const char *ReasonFolder =
    QT_TRANSLATE_NOOP("kestrel", "无法在文件夹 %1 中建立数据库（文件夹不存在且无法创建，或没有写入权限）。");
constexpr const char *ReasonCreate = QT_TRANSLATE_NOOP("kestrel", "无法建立新的数据库：%1");
constexpr const char *ReasonNoDriver = QT_TRANSLATE_NOOP("kestrel", "缺少 SQLite 数据库驱动。");
constexpr const char *ReasonNotFile = QT_TRANSLATE_NOOP("kestrel", "同名的文件夹或特殊文件占用了该文件名。");

// Reasons for a statement that failed.
constexpr const char *ReasonNoTable = QT_TRANSLATE_NOOP("kestrel", "缺少数据表 %1。");
constexpr const char *ReasonReadOnly = QT_TRANSLATE_NOOP("kestrel", "数据库文件只读，无法写入。");
constexpr const char *ReasonLocked = QT_TRANSLATE_NOOP("kestrel", "数据库文件正被其他程序占用。");
constexpr const char *ReasonDiskFull = QT_TRANSLATE_NOOP("kestrel", "磁盘已满。");
constexpr const char *ReasonNoAddressRow = QT_TRANSLATE_NOOP("kestrel", "SAVEPRO 中没有地址 %1 的记录。");
constexpr const char *ReasonBadAddress = QT_TRANSLATE_NOOP("kestrel", "地址 %1 不在 1 到 255 之间。");
constexpr const char *ReasonBadDate = QT_TRANSLATE_NOOP("kestrel", "日期无效。");

// Reading log.
constexpr const char *FlushFailed = QT_TRANSLATE_NOOP("kestrel", "读数未能写入数据库，%1 条读数保留在内存中，下次保存时再写。\n%2");
constexpr const char *FlushDropped = QT_TRANSLATE_NOOP("kestrel", "数据库长时间无法写入，内存中最早的 %1 条读数已被丢弃。");

// Maintenance commands.
constexpr const char *ExportDone = QT_TRANSLATE_NOOP("kestrel", "导出完毕！共 %1 条温度记录。\n数据保存在：%2");
constexpr const char *ExportExists = QT_TRANSLATE_NOOP("kestrel", "导出文件 %1 已存在，未作任何改动。");
constexpr const char *ExportNoFolder = QT_TRANSLATE_NOOP("kestrel", "无法建立导出文件夹 %1。");
constexpr const char *ExportWriteFailed = QT_TRANSLATE_NOOP("kestrel", "无法写入导出文件 %1：%2");
constexpr const char *TableNameEmpty = QT_TRANSLATE_NOOP("kestrel", "请输入表名！");
constexpr const char *TableNameInvalid =
    QT_TRANSLATE_NOOP("kestrel", "表名“%1”无效：只能使用字母、数字和下划线，不能以数字开头，最多 64 个字符。");
constexpr const char *TableExists = QT_TRANSLATE_NOOP("kestrel", "数据表 %1 已存在！");
constexpr const char *RegistryDone = QT_TRANSLATE_NOOP("kestrel", "已建立数据表 %1；SAVEPRO 中补入 %2 个地址，现有 255 个地址。");
constexpr const char *DataRhMissing = QT_TRANSLATE_NOOP("kestrel", "数据表 Data_RH 不存在！");
constexpr const char *DataRhHasColumns = QT_TRANSLATE_NOOP("kestrel", "数据表 Data_RH 已有 MYNAME 或 MYCODE 列，未作改动。");
constexpr const char *DataRhDone = QT_TRANSLATE_NOOP("kestrel", "已在数据表 Data_RH 中添加 MYNAME 和 MYCODE 列。");

// Maintenance menu.
constexpr const char *MaintenanceMenu = QT_TRANSLATE_NOOP("kestrel", "维护(&M)");
constexpr const char *Command1Caption = QT_TRANSLATE_NOOP("kestrel", "导出温度记录(&E)");
constexpr const char *Command2Caption = QT_TRANSLATE_NOOP("kestrel", "建立设备登记表(&R)...");
constexpr const char *Command3Caption = QT_TRANSLATE_NOOP("kestrel", "扩充 Data_RH 表(&X)");
constexpr const char *TableNamePrompt = QT_TRANSLATE_NOOP("kestrel", "表名：");
constexpr const char *DefaultTableName = QT_TRANSLATE_NOOP("kestrel", "SAVEPRO");

// Readings that could not be logged at program end.
constexpr const char *FlushFailedAtEnd = QT_TRANSLATE_NOOP("kestrel", "程序结束时 %1 条读数未能写入数据库。\n%2");
constexpr const char *RescueNone = QT_TRANSLATE_NOOP("kestrel", "这些读数未能保存。");
constexpr const char *RescueSaved = QT_TRANSLATE_NOOP("kestrel", "这些读数已另存为文本文件：");
constexpr const char *RescueKeptPending = QT_TRANSLATE_NOOP("kestrel", "这些读数仍保存在 %1 中，下次启动程序时写入数据库。");

// Readings a crash left in Record.pending, found at start-up.
constexpr const char *PendingRecovered = QT_TRANSLATE_NOOP("kestrel", "上次程序意外退出时尚未写入数据库的 %1 条读数已写入数据库。");
constexpr const char *PendingRecoveredWaiting =
    QT_TRANSLATE_NOOP("kestrel", "上次程序意外退出时尚未写入数据库的 %1 条读数暂时无法写入，将在下次保存时再写：\n%2");

// The daily record files of the timed reading.
// Column names of the header line, after the date, in the order of the data lines.
constexpr const char *RecordColumns[13] = {QT_TRANSLATE_NOOP("kestrel", "温度"), QT_TRANSLATE_NOOP("kestrel", "湿度"), QT_TRANSLATE_NOOP("kestrel", "CO2"), QT_TRANSLATE_NOOP("kestrel", "VOC"), QT_TRANSLATE_NOOP("kestrel", "PM2.5"), QT_TRANSLATE_NOOP("kestrel", "CO"),  QT_TRANSLATE_NOOP("kestrel", "O2"),
                                           QT_TRANSLATE_NOOP("kestrel", "O3"),   QT_TRANSLATE_NOOP("kestrel", "HCHO"), QT_TRANSLATE_NOOP("kestrel", "H2S"), QT_TRANSLATE_NOOP("kestrel", "NH3"), QT_TRANSLATE_NOOP("kestrel", "NO2"),   QT_TRANSLATE_NOOP("kestrel", "PM10")};
// A record file that cannot be written: its path and the reason; then where the entries went.
constexpr const char *RecordWriteFailed = QT_TRANSLATE_NOOP("kestrel", "记录文件 %1 无法写入：%2");
constexpr const char *RecordEntriesRescued = QT_TRANSLATE_NOOP("kestrel", "未写入的 %1 条读数已另存为：%2");
constexpr const char *RecordEntriesLost = QT_TRANSLATE_NOOP("kestrel", "未写入的 %1 条读数未能另存。");
constexpr const char *RecordNoFolder = QT_TRANSLATE_NOOP("kestrel", "无法建立文件夹");
} // namespace kestrel::texts::recording
// clang-format on
