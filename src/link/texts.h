#pragma once
#include <QtGlobal>
// clang-format off
// Captions and messages of the serial link and the main window's port controls.

namespace kestrel::texts::link {
constexpr const char *AppTitle = QT_TRANSLATE_NOOP("kestrel", "Kestrel");
// The traffic monitor: directions and verdicts of its frames.
constexpr const char *DirectionSent = QT_TRANSLATE_NOOP("kestrel", "发送");
constexpr const char *DirectionReceived = QT_TRANSLATE_NOOP("kestrel", "接收");
constexpr const char *VerdictOk = QT_TRANSLATE_NOOP("kestrel", "正常");
constexpr const char *VerdictBadCrc = QT_TRANSLATE_NOOP("kestrel", "CRC错误");
constexpr const char *VerdictWrongAddress = QT_TRANSLATE_NOOP("kestrel", "地址错误");
constexpr const char *VerdictTimeout = QT_TRANSLATE_NOOP("kestrel", "超时");
constexpr const char *VerdictLate = QT_TRANSLATE_NOOP("kestrel", "迟到");
constexpr const char *VerdictException = QT_TRANSLATE_NOOP("kestrel", "异常应答");
constexpr const char *VerdictTrailing = QT_TRANSLATE_NOOP("kestrel", "多余字节");
// Column captions of the frame list and the statistics table.
constexpr const char *ColTime = QT_TRANSLATE_NOOP("kestrel", "时间");
constexpr const char *ColDirection = QT_TRANSLATE_NOOP("kestrel", "方向");
constexpr const char *ColAddress = QT_TRANSLATE_NOOP("kestrel", "地址");
constexpr const char *ColFunction = QT_TRANSLATE_NOOP("kestrel", "功能");
constexpr const char *ColBytes = QT_TRANSLATE_NOOP("kestrel", "数据");
constexpr const char *ColResponse = QT_TRANSLATE_NOOP("kestrel", "响应(ms)");
constexpr const char *ColVerdict = QT_TRANSLATE_NOOP("kestrel", "结论");
constexpr const char *ColRequests = QT_TRANSLATE_NOOP("kestrel", "请求");
constexpr const char *ColReplies = QT_TRANSLATE_NOOP("kestrel", "应答");
constexpr const char *ColMin = QT_TRANSLATE_NOOP("kestrel", "最短(ms)");
constexpr const char *ColMean = QT_TRANSLATE_NOOP("kestrel", "平均(ms)");
constexpr const char *ColMax = QT_TRANSLATE_NOOP("kestrel", "最长(ms)");
// The tooltip of a grid row whose device last failed: the cause, then the last good reading.
constexpr const char *LastGoodReading = QT_TRANSLATE_NOOP("kestrel", "，最后正常读数：");
constexpr const char *NoGoodReading = QT_TRANSLATE_NOOP("kestrel", "无");
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
// A bus behind a serial device server: the descriptions its connection failures are reported with.
constexpr const char *TcpRefused = QT_TRANSLATE_NOOP("kestrel", "网络连接被拒绝");
constexpr const char *TcpHostNotFound = QT_TRANSLATE_NOOP("kestrel", "找不到网络主机");
constexpr const char *TcpTimeout = QT_TRANSLATE_NOOP("kestrel", "网络连接超时");
constexpr const char *TcpLost = QT_TRANSLATE_NOOP("kestrel", "网络连接已断开");
constexpr const char *TcpFailed = QT_TRANSLATE_NOOP("kestrel", "网络连接出错");
// Serial-port failures, as the port-error box describes them.
constexpr const char *PortNotFound = QT_TRANSLATE_NOOP("kestrel", "找不到该串口设备（不存在或已拔出）");
constexpr const char *PortDenied = QT_TRANSLATE_NOOP("kestrel", "无权使用该串口，或串口已被其他程序占用");
constexpr const char *PortAlreadyOpen = QT_TRANSLATE_NOOP("kestrel", "该串口已经打开");
constexpr const char *PortRemoved = QT_TRANSLATE_NOOP("kestrel", "串口设备已被移除（如USB转换器被拔出）");
constexpr const char *BaudFailed = QT_TRANSLATE_NOOP("kestrel", "波特率设置失败");
} // namespace kestrel::texts::link
// clang-format on
