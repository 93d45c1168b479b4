#pragma once
// Captions and messages of the CRC calculator of the main window.

namespace kestrel::texts::console
{
constexpr const char *FrameCaption = "CRC计算";            // the frame framCRC
constexpr const char *HexCheck = "十六进制";               // check1: ticked = hexadecimal entry
constexpr const char *CommandLabel = "待发送命令：";       // labcmd, the caption of txtSendCmd
constexpr const char *Calculate = "计算CRC";               // cacCrc
constexpr const char *CrcHighLabel = "CRC高：";            // labcrchig
constexpr const char *CrcLowLabel = "CRC低：";             // labcrclow
constexpr const char *NoCommand = "没有输入命令！";        // the command box is empty
constexpr const char *ErrorTitle = "Error";                // the title of the calculation's messages
constexpr const char *TooManyBytes = "命令输入有误！";     // more than 50 byte values
constexpr const char *NotDecimal = "输入命令非十进制数！"; // a decimal part that is not a number
constexpr const char *ByteOutOfRange = "命令输入有误，请重新输入！"; // a byte value outside 0..255
constexpr const char *TypeDecimal = "请输入十进制数！";              // a key refused in decimal entry
constexpr const char *TypeHex = "请输入十六进制数！";                // a key refused in hexadecimal entry
} // namespace kestrel::texts::console
