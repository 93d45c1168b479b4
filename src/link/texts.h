#pragma once
#include <QtGlobal>
// clang-format off
// Captions and messages of the serial link and the main window's port controls.

namespace kestrel::texts::link {
constexpr const char *AppTitle = QT_TRANSLATE_NOOP("kestrel", "Kestrel");
constexpr const char *CommFault = QT_TRANSLATE_NOOP("kestrel", "通讯故障！");
constexpr const char *CommError = QT_TRANSLATE_NOOP("kestrel", "通讯错误！");
constexpr const char *PortMenu = QT_TRANSLATE_NOOP("kestrel", "通讯端口(&C)");
constexpr const char *PortCloseItem = QT_TRANSLATE_NOOP("kestrel", "串口关闭");
constexpr const char *ClosePort = QT_TRANSLATE_NOOP("kestrel", "关闭串口");
constexpr const char *OpenPort = QT_TRANSLATE_NOOP("kestrel", "打开串口");
constexpr const char *OpenedSuffix = QT_TRANSLATE_NOOP("kestrel", "成功打开");
constexpr const char *AppError = QT_TRANSLATE_NOOP("kestrel", "应用程序出错!");
constexpr const char *ErrorNumber = QT_TRANSLATE_NOOP("kestrel", "错误代号：");
constexpr const char *ErrorDescription = QT_TRANSLATE_NOOP("kestrel", "错误描述：");
constexpr const char *ErrorSource = QT_TRANSLATE_NOOP("kestrel", "错误来源：");
constexpr const char *ErrorLine = QT_TRANSLATE_NOOP("kestrel", "错误行号：");
constexpr const char *LampName = QT_TRANSLATE_NOOP("kestrel", "串口状态");
} // namespace kestrel::texts::link
// clang-format on
