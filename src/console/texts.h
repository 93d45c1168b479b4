#pragma once
#include <QtGlobal>
// clang-format off
// Captions and messages of the CRC calculator of the main window.

namespace kestrel::texts::console
{
constexpr const char *FrameCaption = QT_TRANSLATE_NOOP("kestrel", "CRC计算");            // the frame framCRC
constexpr const char *HexCheck = QT_TRANSLATE_NOOP("kestrel", "十六进制");               // check1: ticked = hexadecimal entry
constexpr const char *CommandLabel = QT_TRANSLATE_NOOP("kestrel", "待发送命令：");       // labcmd, the caption of txtSendCmd
constexpr const char *Calculate = QT_TRANSLATE_NOOP("kestrel", "计算CRC");               // cacCrc
constexpr const char *CrcHighLabel = QT_TRANSLATE_NOOP("kestrel", "CRC高：");            // labcrchig
constexpr const char *CrcLowLabel = QT_TRANSLATE_NOOP("kestrel", "CRC低：");             // labcrclow
constexpr const char *NoCommand = QT_TRANSLATE_NOOP("kestrel", "没有输入命令！");        // the command box is empty
constexpr const char *ErrorTitle = QT_TRANSLATE_NOOP("kestrel", "Error");                // the title of the calculation's messages
constexpr const char *TooManyBytes = QT_TRANSLATE_NOOP("kestrel", "命令输入有误！");     // more than 50 byte values
constexpr const char *NotDecimal = QT_TRANSLATE_NOOP("kestrel", "输入命令非十进制数！"); // a decimal part that is not a number
constexpr const char *ByteOutOfRange = QT_TRANSLATE_NOOP("kestrel", "命令输入有误，请重新输入！"); // a byte value outside 0..255
constexpr const char *TypeDecimal = QT_TRANSLATE_NOOP("kestrel", "请输入十进制数！");              // a key refused in decimal entry
constexpr const char *TypeHex = QT_TRANSLATE_NOOP("kestrel", "请输入十六进制数！");                // a key refused in hexadecimal entry
} // namespace kestrel::texts::console
// clang-format on
