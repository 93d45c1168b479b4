#pragma once
#include <QtGlobal>
// clang-format off
// Captions and messages of the polling cycle.

namespace kestrel::texts::polling {
constexpr const char *LoopStart = QT_TRANSLATE_NOOP("kestrel", "轮询");
constexpr const char *LoopStop = QT_TRANSLATE_NOOP("kestrel", "结束");
constexpr const char *LoopPause = QT_TRANSLATE_NOOP("kestrel", "暂停");
constexpr const char *LoopContinue = QT_TRANSLATE_NOOP("kestrel", "继续");
constexpr const char *TimeoutSuffix = QT_TRANSLATE_NOOP("kestrel", "号设备通迅超时！");
constexpr const char *SaveFailed = QT_TRANSLATE_NOOP("kestrel", "轮询数据未能保存：");
// A reading that could not be put in Record.pending: it is still logged at the next flush, but a
// crash before then would lose it.
constexpr const char *LandFailed =
    QT_TRANSLATE_NOOP("kestrel", "读数未能即时存盘，将在下次保存时写入数据库；在此之前程序意外退出会丢失这些读数。\n");
// The aliases of SAVEPRO could not be read at the start of polling.
constexpr const char *AliasesFailed = QT_TRANSLATE_NOOP("kestrel", "设备名称未能读取，轮询继续进行：\n");

// Captions and message of the timed reading.
constexpr const char *SetTimeLabel = QT_TRANSLATE_NOOP("kestrel", "定时读(s)");
constexpr const char *AutoReadStart = QT_TRANSLATE_NOOP("kestrel", "开始");
constexpr const char *AutoReadStop = QT_TRANSLATE_NOOP("kestrel", "停止");
constexpr const char *BadSetTime = QT_TRANSLATE_NOOP("kestrel", "请输入一个大于0，小于600的数!");
} // namespace kestrel::texts::polling
// clang-format on
