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
} // namespace kestrel::texts::devices
