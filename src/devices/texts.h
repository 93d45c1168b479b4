#pragma once
#include <QtGlobal>
// clang-format off
// Captions and messages of the device frame, the polling settings dialog, the save-configuration
// question and the polling configuration files.

namespace kestrel::texts::devices {
constexpr const char *DeviceFrame = QT_TRANSLATE_NOOP("kestrel", "设备列表");
constexpr const char *AddressLabel = QT_TRANSLATE_NOOP("kestrel", "设备地址：");
constexpr const char *AddDevice = QT_TRANSLATE_NOOP("kestrel", "增加设备");
constexpr const char *AliasLabel = QT_TRANSLATE_NOOP("kestrel", "设备别名：");
constexpr const char *Rename = QT_TRANSLATE_NOOP("kestrel", "更改别名");
constexpr const char *AddFailed = QT_TRANSLATE_NOOP("kestrel", "添加设备失败！\r\n请重试!");
constexpr const char *BadAddress = QT_TRANSLATE_NOOP("kestrel", "请输入1-255之间的设备地址");
constexpr const char *NoRowSelected = QT_TRANSLATE_NOOP("kestrel", "请先在设备列表中点选要更名的设备");
constexpr const char *RenameFailed = QT_TRANSLATE_NOOP("kestrel", "别名未能保存：");

// Configuration files
constexpr const char *IniFilter = QT_TRANSLATE_NOOP("kestrel", "ini文件(*.ini)|*.ini");
constexpr const char *ChooseConfigFile = QT_TRANSLATE_NOOP("kestrel", "请选择配置文件！");
constexpr const char *EnterFileName = QT_TRANSLATE_NOOP("kestrel", "请输入文件名！");
constexpr const char *ConfigFileBad = QT_TRANSLATE_NOOP("kestrel", "配置文件有错\r\n请重新设置参数！");
constexpr const char *ConfigFileUnreadable = QT_TRANSLATE_NOOP("kestrel", "无法读取配置文件：");
constexpr const char *ConfigFileUnwritable = QT_TRANSLATE_NOOP("kestrel", "无法写入配置文件：");

// Settings dialog "轮询参数设置"
constexpr const char *DialogCaption = QT_TRANSLATE_NOOP("kestrel", "轮询参数设置");
constexpr const char *PollFrame = QT_TRANSLATE_NOOP("kestrel", "轮询设置");
constexpr const char *StartAddress = QT_TRANSLATE_NOOP("kestrel", "起始地址");
constexpr const char *EndAddress = QT_TRANSLATE_NOOP("kestrel", "结束地址");
constexpr const char *AddressRange = QT_TRANSLATE_NOOP("kestrel", "地址范围（1-255）");
constexpr const char *PollInterval = QT_TRANSLATE_NOOP("kestrel", "轮询时间(S)：");
constexpr const char *SaveData = QT_TRANSLATE_NOOP("kestrel", "保存数据");
constexpr const char *LoadConfig = QT_TRANSLATE_NOOP("kestrel", "载入历史配置");
constexpr const char *Ok = QT_TRANSLATE_NOOP("kestrel", "确定");
constexpr const char *Cancel = QT_TRANSLATE_NOOP("kestrel", "取消");
constexpr const char *TestFrame = QT_TRANSLATE_NOOP("kestrel", "连通性测试");
constexpr const char *LogFrame = QT_TRANSLATE_NOOP("kestrel", "日志记录");
constexpr const char *StartTooLarge = QT_TRANSLATE_NOOP("kestrel", "起始地址要小于255");
constexpr const char *EndTooLarge = QT_TRANSLATE_NOOP("kestrel", "结束地址不能大于255");
constexpr const char *StartAfterEnd = QT_TRANSLATE_NOOP("kestrel", "起始地址要小于结束地址!\r\n请重新输入!");

// Save-configuration question "保存配置"
constexpr const char *SaveConfigCaption = QT_TRANSLATE_NOOP("kestrel", "保存配置");
constexpr const char *SaveConfigQuestion = QT_TRANSLATE_NOOP("kestrel", "是否保存当前轮询配置？");

// Device grid headers and the device frame's other captions.
constexpr const char *AddressHeader = QT_TRANSLATE_NOOP("kestrel", "地址");
constexpr const char *NameHeader = QT_TRANSLATE_NOOP("kestrel", "设备名称");
constexpr const char *ConnTest = QT_TRANSLATE_NOOP("kestrel", "通讯测试");
constexpr const char *StatusLabel = QT_TRANSLATE_NOOP("kestrel", "状态：");

// Reading and setting a device address, and the connectivity test.
constexpr const char *AddressRead = QT_TRANSLATE_NOOP("kestrel", "读取"); // CmdAddread
constexpr const char *AddressSet = QT_TRANSLATE_NOOP("kestrel", "设置");  // CmdSetAddress
constexpr const char *BadEntry = QT_TRANSLATE_NOOP("kestrel", "数据输入错误！");
constexpr const char *AddressSetDone = QT_TRANSLATE_NOOP("kestrel", "地址设置成功");
constexpr const char *RepeatLabel = QT_TRANSLATE_NOOP("kestrel", "重复次数：");                      // the label of Text3
constexpr const char *RepeatHint = QT_TRANSLATE_NOOP("kestrel", "（0为一直重复,直到全部正常连接）"); // Label4
constexpr const char *StartTest = QT_TRANSLATE_NOOP("kestrel", "开始测试");                          // cmdtest
constexpr const char *StopTest = QT_TRANSLATE_NOOP("kestrel", "停止测试");                           // cmdstop
constexpr const char *ClearLog = QT_TRANSLATE_NOOP("kestrel", "清空日志");                           // cmdcls
constexpr const char *ExitTest = QT_TRANSLATE_NOOP("kestrel", "退出");                               // cmdExig
constexpr const char *ErrorPrefix = QT_TRANSLATE_NOOP("kestrel", "error: ");
constexpr const char *DeviceOk = QT_TRANSLATE_NOOP("kestrel", "号设备连接正常！");
constexpr const char *DeviceSilent = QT_TRANSLATE_NOOP("kestrel", "号设备无法连接！");
constexpr const char *AllConnected = QT_TRANSLATE_NOOP("kestrel", "全部连接正常！");
// The connectivity test's own refusal of a pass count, and its one report of a data base failure.
constexpr const char *BadPassCount = QT_TRANSLATE_NOOP("kestrel", "重复次数请输入0或正整数");
constexpr const char *CodesNotStored = QT_TRANSLATE_NOOP("kestrel", "设备类型未能保存到数据库：");
} // namespace kestrel::texts::devices
// clang-format on
