#pragma once
// Captions and messages of the device frame.

namespace kestrel::deviceTexts {
constexpr const char *DeviceFrame = "设备列表";
constexpr const char *AddressLabel = "设备地址：";
constexpr const char *AddDevice = "增加设备";
constexpr const char *AliasLabel = "设备别名：";
constexpr const char *Rename = "更改别名";
constexpr const char *AddFailed = "添加设备失败！\r\n请重试!";
constexpr const char *BadAddress = "请输入1-255之间的设备地址";
constexpr const char *NoRowSelected = "请先在设备列表中点选要更名的设备";
constexpr const char *RenameFailed = "别名未能保存：";
} // namespace kestrel::deviceTexts

// Reading and setting a device address, and the connectivity test.
namespace kestrel::texts::devices {
constexpr const char *AddressRead = "读取"; // CmdAddread
constexpr const char *AddressSet = "设置";  // CmdSetAddress
constexpr const char *BadEntry = "数据输入错误！";
constexpr const char *AddressSetDone = "地址设置成功";
constexpr const char *RepeatLabel = "重复次数：";                      // the label of Text3
constexpr const char *RepeatHint = "（0为一直重复,直到全部正常连接）"; // Label4
constexpr const char *StartTest = "开始测试";                          // cmdtest
constexpr const char *StopTest = "停止测试";                           // cmdstop
constexpr const char *ClearLog = "清空日志";                           // cmdcls
constexpr const char *ExitTest = "退出";                               // cmdExig
constexpr const char *ErrorPrefix = "error: ";
constexpr const char *DeviceOk = "号设备连接正常！";
constexpr const char *DeviceSilent = "号设备无法连接！";
constexpr const char *AllConnected = "全部连接正常！";
// The connectivity test's own refusal of a pass count, and its one report of a data base failure.
constexpr const char *BadPassCount = "重复次数请输入0或正整数";
constexpr const char *CodesNotStored = "设备类型未能保存到数据库：";
} // namespace kestrel::texts::devices
