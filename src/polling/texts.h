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


// Captions and message of the timed reading.
constexpr const char *SetTimeLabel = QT_TRANSLATE_NOOP("kestrel", "定时读(s)");
constexpr const char *AutoReadStart = QT_TRANSLATE_NOOP("kestrel", "开始");
constexpr const char *AutoReadStop = QT_TRANSLATE_NOOP("kestrel", "停止");
constexpr const char *BadSetTime = QT_TRANSLATE_NOOP("kestrel", "请输入一个大于0，小于600的数!");
} // namespace kestrel::texts::polling
// clang-format on
