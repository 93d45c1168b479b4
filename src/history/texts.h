#pragma once
// Captions and messages of the history dialog and its export file, UTF-8.

namespace kestrel::texts::history {

constexpr const char *Caption = "历史数据";
constexpr const char *ShowButton = "显示";
constexpr const char *ExportButton = "导出";
constexpr const char *StartLabel = "起始日期：";
constexpr const char *EndLabel = "结束日期：";
constexpr const char *EndHint = "（不包含此天）";
constexpr const char *AddressLabel = "设备地址：";
constexpr const char *AddressHint = "（0代表全部）";
constexpr const char *ShowNoteHeading = "显示数据说明：";
constexpr const char *ExportNoteHeading = "导出数据说明：";
constexpr const char *NoteTenfold = "温湿度、一氧化碳、甲醛、硫化氢、氨气、二氧化氮数据为实际值的10倍.";
constexpr const char *NoteHundredfold = "氧气、臭氧为实际值的100倍.";
constexpr const char *NoteOthers = "其它则为实际值.";
constexpr const char *AddressTooLarge = "地址不能大于255!";
constexpr const char *AddressEmpty = "设备地址不能为空!";
constexpr const char *NothingFound = "当前所选记录为空！";
constexpr const char *ChooseAgain = "请重新选择！";
constexpr const char *PleaseWait = "请等待数据处理完毕...";
constexpr const char *ResultBefore = "数据处理完毕,当前显示　";
constexpr const char *ResultAfter = "　条数据！";
constexpr const char *HeaderTime = "时间";
constexpr const char *HeaderValue = "数据";
constexpr const char *HeaderType = "类型";
constexpr const char *HeaderAddress = "设备地址";
constexpr const char *HeaderName = "设备名称";
constexpr const char *ExportFilter = "txt文件(*.txt)|*.txt";
constexpr const char *NoFileName = "请输入文件名！";
constexpr const char *CountBefore = "当前导出";
constexpr const char *CountAfter = "条数据.";
constexpr const char *ExportHeaderTime = "读取时间";
constexpr const char *ExportDone = "导出完毕！";
constexpr const char *SavedIn = "数据保存在：";

// Our own wording: a date box whose text is no date, and an export file that cannot be written.
constexpr const char *BadStartDate = "起始日期“%1”无效！请按 年-月-日 输入，例如 2026-12-1 或 2026/12/1。";
constexpr const char *BadEndDate = "结束日期“%1”无效！请按 年-月-日 输入，例如 2026-12-1 或 2026/12/1。";
constexpr const char *WriteFailed = "无法写入文件 %1：%2";

} // namespace kestrel::texts::history
