#pragma once
// Captions and messages of the device frame, the polling settings dialog, the save-configuration
// question and the polling configuration files.

namespace kestrel::texts::devices {
constexpr const char *DeviceFrame = "设备列表";
constexpr const char *AddressLabel = "设备地址：";
constexpr const char *AddDevice = "增加设备";
constexpr const char *AliasLabel = "设备别名：";
constexpr const char *Rename = "更改别名";
constexpr const char *AddFailed = "添加设备失败！\r\n请重试!";
constexpr const char *BadAddress = "请输入1-255之间的设备地址";
constexpr const char *NoRowSelected = "请先在设备列表中点选要更名的设备";
constexpr const char *RenameFailed = "别名未能保存：";

// Configuration files
constexpr const char *IniFilter = "ini文件(*.ini)|*.ini";
constexpr const char *ChooseConfigFile = "请选择配置文件！";
constexpr const char *EnterFileName = "请输入文件名！";
constexpr const char *ConfigFileBad = "配置文件有错\r\n请重新设置参数！";
constexpr const char *ConfigFileUnreadable = "无法读取配置文件：";
constexpr const char *ConfigFileUnwritable = "无法写入配置文件：";

// Settings dialog "轮询参数设置"
constexpr const char *DialogCaption = "轮询参数设置";
constexpr const char *PollFrame = "轮询设置";
constexpr const char *StartAddress = "起始地址";
constexpr const char *EndAddress = "结束地址";
constexpr const char *AddressRange = "地址范围（1-255）";
constexpr const char *PollInterval = "轮询时间(S)：";
constexpr const char *SaveData = "保存数据";
constexpr const char *LoadConfig = "载入历史配置";
constexpr const char *Ok = "确定";
constexpr const char *Cancel = "取消";
constexpr const char *TestFrame = "连通性测试";
constexpr const char *LogFrame = "日志记录";
constexpr const char *StartTooLarge = "起始地址要小于255";
constexpr const char *EndTooLarge = "结束地址不能大于255";
constexpr const char *StartAfterEnd = "起始地址要小于结束地址!\r\n请重新输入!";

// Save-configuration question "保存配置"
constexpr const char *SaveConfigCaption = "保存配置";
constexpr const char *SaveConfigQuestion = "是否保存当前轮询配置？";

// Device grid headers and the device frame's other captions.
constexpr const char *AddressHeader = "地址";
constexpr const char *NameHeader = "设备名称";
constexpr const char *ConnTest = "通讯测试";
constexpr const char *StatusLabel = "状态：";

// Reading and setting a device address, and the connectivity test.
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
