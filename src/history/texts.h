#pragma once
#include <QtGlobal>
// clang-format off
// Captions and messages of the history dialog and its export file, UTF-8.

namespace kestrel::texts::history {

constexpr const char *Caption = QT_TRANSLATE_NOOP("kestrel", "历史数据");
constexpr const char *ShowButton = QT_TRANSLATE_NOOP("kestrel", "显示");
constexpr const char *ExportButton = QT_TRANSLATE_NOOP("kestrel", "导出");
constexpr const char *StartLabel = QT_TRANSLATE_NOOP("kestrel", "起始日期：");
constexpr const char *EndLabel = QT_TRANSLATE_NOOP("kestrel", "结束日期：");
constexpr const char *EndHint = QT_TRANSLATE_NOOP("kestrel", "（不包含此天）");
constexpr const char *AddressLabel = QT_TRANSLATE_NOOP("kestrel", "设备地址：");
constexpr const char *AddressHint = QT_TRANSLATE_NOOP("kestrel", "（0代表全部）");
constexpr const char *ShowNoteHeading = QT_TRANSLATE_NOOP("kestrel", "显示数据说明：");
constexpr const char *ExportNoteHeading = QT_TRANSLATE_NOOP("kestrel", "导出数据说明：");
constexpr const char *NoteTenfold = QT_TRANSLATE_NOOP("kestrel", "温湿度、一氧化碳、甲醛、硫化氢、氨气、二氧化氮数据为实际值的10倍.");
constexpr const char *NoteHundredfold = QT_TRANSLATE_NOOP("kestrel", "氧气、臭氧为实际值的100倍.");
constexpr const char *NoteOthers = QT_TRANSLATE_NOOP("kestrel", "其它则为实际值.");
constexpr const char *AddressTooLarge = QT_TRANSLATE_NOOP("kestrel", "地址不能大于255!");
constexpr const char *AddressEmpty = QT_TRANSLATE_NOOP("kestrel", "设备地址不能为空!");
constexpr const char *NothingFound = QT_TRANSLATE_NOOP("kestrel", "当前所选记录为空！");
constexpr const char *ChooseAgain = QT_TRANSLATE_NOOP("kestrel", "请重新选择！");
constexpr const char *PleaseWait = QT_TRANSLATE_NOOP("kestrel", "请等待数据处理完毕...");
constexpr const char *ResultBefore = QT_TRANSLATE_NOOP("kestrel", "数据处理完毕,当前显示　");
constexpr const char *ResultAfter = QT_TRANSLATE_NOOP("kestrel", "　条数据！");
constexpr const char *HeaderTime = QT_TRANSLATE_NOOP("kestrel", "时间");
constexpr const char *HeaderValue = QT_TRANSLATE_NOOP("kestrel", "数据");
constexpr const char *HeaderType = QT_TRANSLATE_NOOP("kestrel", "类型");
constexpr const char *HeaderAddress = QT_TRANSLATE_NOOP("kestrel", "设备地址");
constexpr const char *HeaderName = QT_TRANSLATE_NOOP("kestrel", "设备名称");
constexpr const char *ExportFilter = QT_TRANSLATE_NOOP("kestrel", "txt文件(*.txt)|*.txt");
constexpr const char *NoFileName = QT_TRANSLATE_NOOP("kestrel", "请输入文件名！");
constexpr const char *CountBefore = QT_TRANSLATE_NOOP("kestrel", "当前导出");
constexpr const char *CountAfter = QT_TRANSLATE_NOOP("kestrel", "条数据.");
constexpr const char *ExportHeaderTime = QT_TRANSLATE_NOOP("kestrel", "读取时间");
constexpr const char *ExportDone = QT_TRANSLATE_NOOP("kestrel", "导出完毕！");
constexpr const char *SavedIn = QT_TRANSLATE_NOOP("kestrel", "数据保存在：");

// Our own wording: a date box whose text is no date, and an export file that cannot be written.
constexpr const char *BadStartDate = QT_TRANSLATE_NOOP("kestrel", "起始日期“%1”无效！请按 年-月-日 输入，例如 2026-12-1 或 2026/12/1。");
constexpr const char *BadEndDate = QT_TRANSLATE_NOOP("kestrel", "结束日期“%1”无效！请按 年-月-日 输入，例如 2026-12-1 或 2026/12/1。");
constexpr const char *StationLabel = QT_TRANSLATE_NOOP("kestrel", "站点：");
constexpr const char *WriteFailed = QT_TRANSLATE_NOOP("kestrel", "无法写入文件 %1：%2");

} // namespace kestrel::texts::history
// clang-format on
