#pragma once
#include <QtGlobal>
// clang-format off
// Captions of the curve windows.

namespace kestrel::texts::curves {

constexpr const char *RealTimeCaption = QT_TRANSLATE_NOOP("kestrel", "实时曲线"); // the real-time window and the main window's button
constexpr const char *HistoryCaption = QT_TRANSLATE_NOOP("kestrel", "历史曲线");  // the history window and the button that opens it
constexpr const char *TimeLabelPrefix = QT_TRANSLATE_NOOP("kestrel", "T");        // the x-axis labels T0, T2, ..., T50

} // namespace kestrel::texts::curves
// clang-format on
