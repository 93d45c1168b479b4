#pragma once
// Captions and messages of the serial link and the main window's port controls.

namespace kestrel::texts::link {
constexpr const char *AppTitle = "Kestrel";
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
