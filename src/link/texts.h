#pragma once
// Captions and messages of the serial link and the main window's port controls.

namespace kestrel::texts::link {
constexpr const char *AppTitle = "Kestrel";
// The traffic monitor: directions and verdicts of its frames.
constexpr const char *DirectionSent = "发送";
constexpr const char *DirectionReceived = "接收";
constexpr const char *VerdictOk = "正常";
constexpr const char *VerdictBadCrc = "CRC错误";
constexpr const char *VerdictWrongAddress = "地址错误";
constexpr const char *VerdictTimeout = "超时";
constexpr const char *VerdictLate = "迟到";
constexpr const char *VerdictException = "异常应答";
constexpr const char *VerdictTrailing = "多余字节";
// Column captions of the frame list and the statistics table.
constexpr const char *ColTime = "时间";
constexpr const char *ColDirection = "方向";
constexpr const char *ColAddress = "地址";
constexpr const char *ColFunction = "功能";
constexpr const char *ColBytes = "数据";
constexpr const char *ColResponse = "响应(ms)";
constexpr const char *ColVerdict = "结论";
constexpr const char *ColRequests = "请求";
constexpr const char *ColReplies = "应答";
constexpr const char *ColMin = "最短(ms)";
constexpr const char *ColMean = "平均(ms)";
constexpr const char *ColMax = "最长(ms)";
// The tooltip of a grid row whose device last failed: the cause, then the last good reading.
constexpr const char *LastGoodReading = "，最后正常读数：";
constexpr const char *NoGoodReading = "无";
constexpr const char *CommFault = "通讯故障！";
constexpr const char *CommError = "通讯错误！";
constexpr const char *PortMenu = "通讯端口(&C)";
constexpr const char *PortCloseItem = "串口关闭";
constexpr const char *ClosePort = "关闭串口";
constexpr const char *OpenPort = "打开串口";
constexpr const char *OpenedSuffix = "成功打开";
constexpr const char *AppError = "应用程序出错!";
constexpr const char *ErrorNumber = "错误代号：";
constexpr const char *ErrorDescription = "错误描述：";
constexpr const char *ErrorSource = "错误来源：";
constexpr const char *ErrorLine = "错误行号：";
constexpr const char *LampName = "串口状态";
// A bus behind a serial device server: the descriptions its connection failures are reported with.
constexpr const char *TcpRefused = "网络连接被拒绝";
constexpr const char *TcpHostNotFound = "找不到网络主机";
constexpr const char *TcpTimeout = "网络连接超时";
constexpr const char *TcpLost = "网络连接已断开";
constexpr const char *TcpFailed = "网络连接出错";
// Serial-port failures, as the port-error box describes them.
constexpr const char *PortNotFound = "找不到该串口设备（不存在或已拔出）";
constexpr const char *PortDenied = "无权使用该串口，或串口已被其他程序占用";
constexpr const char *PortAlreadyOpen = "该串口已经打开";
constexpr const char *PortRemoved = "串口设备已被移除（如USB转换器被拔出）";
constexpr const char *BaudFailed = "波特率设置失败";
} // namespace kestrel::texts::link
